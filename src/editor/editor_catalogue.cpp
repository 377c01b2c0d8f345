// The trick list from "motions.ini", loading a trick's two motions, the part list and the
// edited side.
#include <algorithm>
#include "core/text.h"
#include "editor/dravo_editor.h"
#include "formats/dxg_model.h"
#include "motion/motion_track_index.h"
#include "resources/document_ini.h"
#include "resources/resource_manager.h"

namespace dravo {

namespace {

constexpr const char* kTrickModifiedText =
    "You have modified this trick do you want to save it before you load the next trick?";
constexpr const char* kTrickModifiedCaption = "Trick modified";

// Binds a motion to a model: for each of the first 60 bones, the part of the bone's name.
void BindBones(const TMOTfile& motion, const TDXGmodel& model, TModelSet& set) {
  set.BoneParts.fill(0);
  const std::int32_t bones = std::min<std::int32_t>(model.BoneCount(), TModelSet::kDrivenBones);
  for (std::int32_t i = 0; i < bones; ++i) {
    const std::int32_t part = motion.FindPart(model.Bone(i)->Name);
    set.BoneParts[static_cast<std::size_t>(i)] =
        part < 0 || part >= TModelSet::kNoPart ? TModelSet::kNoPart : static_cast<std::uint8_t>(part);
  }
}

// A motion that was found but cannot be used shows nothing moving; the user is told why.
void TellUnusable(EditorHost& host, const TMOTfile& motion, const std::string& file) {
  if (motion.IsValid()) return;
  host.KelMsgBox("The motion " + file + " cannot be used: " + motion.InvalidReason() + ".", "Motion error",
                 false);
}

}  // namespace

void TDravoEditor::BuildCatalogue() {
  // Drawing is off while the list is rebuilt; the window is told about the list once it is whole,
  // however the rebuild ends.
  struct Restore {
    TDravoEditor& editor;
    bool rendering;
    ~Restore() {
      editor.m_panel.RenderEnabled = rendering;
      editor.Changed(changes::Catalogue);
    }
  } restore{*this, m_panel.RenderEnabled};
  m_panel.RenderEnabled = false;

  m_catalogue.entries.clear();
  m_catalogue.index = -1;
  if (!m_resources) return;
  TRmxResManager& resources = m_resources->manager();
  MemoryStream stream;
  if (resources.ReadResource("motions.ini", stream, true) != 0) return;
  TKelIniFile document;
  document.LoadFromStream(stream);
  m_catalogue.machineType = MachineTypeOf(m_chosen.lastMachine);
  m_catalogue.entries =
      BuildCatalogueEntries(document.Lines(), m_catalogue.machineType, [&](const std::string& file) {
        int folder = -1, resource = -1;
        return resources.FindResource(file, folder, resource) == 0;
      });
}

void TDravoEditor::SelectTrickItem(int index) {
  m_catalogue.Pick(index);
  Changed(changes::Catalogue);
  MOTSelectBoxChange();
}

void TDravoEditor::MOTSelectBoxChange() {
  if (!m_catalogue.Picked()) return;
  if (m_marks.value() & ModifiedMarks::Trick) {
    switch (m_host.AskToSave(kTrickModifiedText, kTrickModifiedCaption)) {
      case SaveChoice::Save:
        InstallTrick();
        break;
      case SaveChoice::Discard:
        break;
      case SaveChoice::Cancel:
        // The edited trick stays, and so does its place in the list.
        m_catalogue.Pick(IndexOfShownTrick());
        Changed(changes::Catalogue);
        return;
    }
  }
  // The next trick loads whatever the answer, and also when storing failed.
  Guard([&] { SelectTrick(); });
}

int TDravoEditor::IndexOfShownTrick() const {
  const std::string shown = ShownTrickName();
  for (std::size_t i = 0; i < m_catalogue.entries.size(); ++i)
    if (SameTextAZ(m_catalogue.entries[i].Name, shown)) return static_cast<int>(i);
  return -1;
}

void TDravoEditor::SelectTrick() {
  const CatalogueEntry* picked = m_catalogue.Picked();
  if (!picked) return;
  const CatalogueEntry& entry = *picked;
  m_trick.name = m_trick.fileName = entry.Name + ".mot";
  m_trick.attachToMachine = entry.Attach;
  LoadTrick(m_trick.name);
  Repaint();
}

bool TDravoEditor::FindMotion(const std::string& folder, const std::string& file, MemoryStream& stream) {
  if (m_ownArchive && m_ownArchive->ReadByName(folder + file, stream)) return true;
  return m_resources && m_resources->manager().ReadResource(file, stream, true) == 0;
}

void TDravoEditor::LoadTrick(const std::string& name) {
  m_trick.machineType = m_catalogue.machineType;
  const MachineNames& names = NamesFor(m_catalogue.machineType);
  MemoryStream stream;
  const std::string riderFile = ChangeFileExt(names.riderPrefix + name, ".mot");
  if (FindMotion(kRiderAnimFolder, riderFile, stream)) {
    LoadRiderMotion(stream);
    TellUnusable(m_host, m_trick.riderMotion, riderFile);
  }
  stream.clear();
  const std::string machineFile = ChangeFileExt(names.machinePrefix + name, ".mot");
  m_trick.hasMachineMotion = FindMotion(kMachineAnimFolder, machineFile, stream);
  if (m_trick.hasMachineMotion) {
    LoadMachineMotion(stream);
    TellUnusable(m_host, m_trick.machineMotion, machineFile);
  } else {
    stream.clear();
    // Shown on nothing: the machine keeps its own pose, but the frame counts still agree.
    if (FindMotion(kMachineAnimFolder, names.defaultMachineMotion, stream)) {
      LoadMachineMotion(stream);
    } else {
      FreeMachinePose();
    }
  }
  FillPartList();
  m_parts.riderEdit = true;
  m_parts.bikeEditEnabled = m_trick.hasMachineMotion;
  ApplyEditSide(false);
  ApplyFrameCount();
  DiscardSnapshot();
  m_marks.ClearModifiedMark(ModifiedMarks::Trick);
  Changed(changes::Parts | changes::EditSide | changes::Playback);
}

void TDravoEditor::FreeRiderPose() {
  m_trick.riderParts.clear();
}

void TDravoEditor::FreeMachinePose() {
  m_trick.machineParts.clear();
}

void TDravoEditor::LoadRiderMotion(const MemoryStream& stream) {
  FreeRiderPose();
  m_trick.riderMotion.LoadMotion(stream);
  if (!m_trick.riderMotion.IsValid() || !m_chosen.riderSet.Model) return;
  BindBones(m_trick.riderMotion, *m_chosen.riderSet.Model, m_chosen.riderSet);
  m_trick.frameCount = std::max(m_trick.riderMotion.FrameCount(), m_trick.machineMotion.FrameCount());
  m_trick.riderParts = BuildPose(m_trick.riderMotion, TMotionTrackIndex(m_trick.riderMotion));
  m_playback.playEnabled = true;
  m_playback.frameCountLabel = std::to_string(m_trick.frameCount);
  m_playback.currentFrame = 0;
  Changed(changes::FrameCount | changes::Frame | changes::Playback);
}

void TDravoEditor::LoadMachineMotion(const MemoryStream& stream) {
  FreeMachinePose();
  m_trick.machineMotion.LoadMotion(stream);
  if (!m_trick.machineMotion.IsValid() || !m_chosen.machineSet.Model) return;
  const std::int32_t bones = m_chosen.machineSet.Model->BoneCount();
  if (bones >= TModelSet::kDrivenBones)
    m_host.PlatformMessageBox("Too many Vehicle parts [" + std::to_string(bones) + "]", "Model error",
                              TMsgIcon::None);
  BindBones(m_trick.machineMotion, *m_chosen.machineSet.Model, m_chosen.machineSet);
  m_trick.frameCount = std::max(m_trick.riderMotion.FrameCount(), m_trick.machineMotion.FrameCount());
  m_trick.machineParts = BuildPose(m_trick.machineMotion, TMotionTrackIndex(m_trick.machineMotion));
  m_playback.playEnabled = true;
  m_playback.currentFrame = 0;
  Changed(changes::FrameCount | changes::Frame | changes::Playback);
}

void TDravoEditor::FillPartList() {
  m_parts.Fill(m_trick);
  Changed(changes::Parts);
}

void TDravoEditor::ApplyEditSide(bool keepChecks) {
  m_parts.ApplyEditSide(m_trick.RiderPartCount(), keepChecks);
  Changed(changes::Parts | changes::EditSide);
  Repaint();  // the checked parts are drawn highlighted
}

void TDravoEditor::ApplyFrameCount() {
  m_trick.frameCount =
      m_parts.riderEdit ? m_trick.riderMotion.FrameCount() : m_trick.machineMotion.FrameCount();
  m_playback.SetFrameCount(m_trick.frameCount);
  Changed(changes::FrameCount | changes::TweenBar);
  SetFrameBar(1);
}

void TDravoEditor::SelectPart(int item) {
  m_parts.Highlight(item);
  Changed(changes::Parts);
}

void TDravoEditor::SetPartChecked(int item, bool checked) {
  if (!m_parts.SetChecked(item, checked)) return;
  Changed(changes::Parts);
  Repaint();  // the checked parts are drawn highlighted
}

void TDravoEditor::RiderEditClick(bool rider) {
  // "Edit Bike" is disabled for a trick without a machine motion; nothing switches to it.
  if (!rider && !m_parts.bikeEditEnabled) return;
  m_parts.riderEdit = rider;
  ApplyEditSide(true);
  ApplyFrameCount();
  Repaint();
}

void TDravoEditor::RiderEditLabelClick() {
  RiderEditClick(true);
}

void TDravoEditor::BikeEditLabelClick() {
  RiderEditClick(false);
}

}  // namespace dravo
