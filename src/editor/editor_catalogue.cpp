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

  m_catalogue.clear();
  m_catalogueIndex = -1;
  if (!m_resources) return;
  TRmxResManager& resources = m_resources->manager();
  MemoryStream stream;
  if (resources.ReadResource("motions.ini", stream, true) != 0) return;
  TKelIniFile document;
  document.LoadFromStream(stream);
  m_machineType = MachineTypeOf(m_lastMachine);
  m_catalogue = BuildCatalogueEntries(document.Lines(), m_machineType, [&](const std::string& file) {
    int folder = -1, resource = -1;
    return resources.FindResource(file, folder, resource) == 0;
  });
}

void TDravoEditor::SelectTrickItem(int index) {
  m_catalogueIndex = index >= 0 && static_cast<std::size_t>(index) < m_catalogue.size() ? index : -1;
  Changed(changes::Catalogue);
  MOTSelectBoxChange();
}

void TDravoEditor::MOTSelectBoxChange() {
  if (m_catalogueIndex < 0 || static_cast<std::size_t>(m_catalogueIndex) >= m_catalogue.size()) return;
  if ((m_marks.value() & ModifiedMarks::Trick) &&
      m_host.KelMsgBox(kTrickModifiedText, kTrickModifiedCaption, true))
    InstallTrick();
  // The next trick loads whatever the answer, and also when storing failed.
  Guard([&] { SelectTrick(); });
}

void TDravoEditor::SelectTrick() {
  if (m_catalogueIndex < 0 || static_cast<std::size_t>(m_catalogueIndex) >= m_catalogue.size()) return;
  const CatalogueEntry& entry = m_catalogue[static_cast<std::size_t>(m_catalogueIndex)];
  m_trickName = m_trickFileName = entry.Name + ".mot";
  m_attachToMachine = entry.Attach;
  LoadTrick(m_trickName);
  Repaint();
}

bool TDravoEditor::FindMotion(const std::string& folder, const std::string& file, MemoryStream& stream) {
  if (m_ownArchive && m_ownArchive->ReadByName(folder + file, stream)) return true;
  return m_resources && m_resources->manager().ReadResource(file, stream, true) == 0;
}

void TDravoEditor::LoadTrick(const std::string& name) {
  m_trickMachineType = m_machineType;
  const MachineNames& names = NamesFor(m_machineType);
  MemoryStream stream;
  const std::string riderFile = ChangeFileExt(names.riderPrefix + name, ".mot");
  if (FindMotion(kRiderAnimFolder, riderFile, stream)) {
    LoadRiderMotion(stream);
    TellUnusable(m_host, m_riderMotion, riderFile);
  }
  stream.clear();
  const std::string machineFile = ChangeFileExt(names.machinePrefix + name, ".mot");
  m_hasMachineMotion = FindMotion(kMachineAnimFolder, machineFile, stream);
  if (m_hasMachineMotion) {
    LoadMachineMotion(stream);
    TellUnusable(m_host, m_machineMotion, machineFile);
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
  m_riderEdit = true;
  m_bikeEditEnabled = m_hasMachineMotion;
  ApplyEditSide(false);
  ApplyFrameCount();
  DiscardSnapshot();
  m_marks.ClearModifiedMark(ModifiedMarks::Trick);
  Changed(changes::Parts | changes::EditSide | changes::Playback);
}

void TDravoEditor::FreeRiderPose() {
  m_riderParts.clear();
}

void TDravoEditor::FreeMachinePose() {
  m_machineParts.clear();
}

void TDravoEditor::LoadRiderMotion(const MemoryStream& stream) {
  FreeRiderPose();
  m_riderMotion.LoadMotion(stream);
  if (!m_riderMotion.IsValid() || !m_riderSet.Model) return;
  BindBones(m_riderMotion, *m_riderSet.Model, m_riderSet);
  m_frameCount = std::max(m_riderMotion.FrameCount(), m_machineMotion.FrameCount());
  m_riderParts = BuildPose(m_riderMotion, TMotionTrackIndex(m_riderMotion));
  m_playEnabled = true;
  m_frameCountLabel = std::to_string(m_frameCount);
  m_currentFrame = 0;
  Changed(changes::FrameCount | changes::Frame | changes::Playback);
}

void TDravoEditor::LoadMachineMotion(const MemoryStream& stream) {
  FreeMachinePose();
  m_machineMotion.LoadMotion(stream);
  if (!m_machineMotion.IsValid() || !m_machineSet.Model) return;
  const std::int32_t bones = m_machineSet.Model->BoneCount();
  if (bones >= TModelSet::kDrivenBones)
    m_host.PlatformMessageBox("Too many Vehicle parts [" + std::to_string(bones) + "]", "Model error",
                              TMsgIcon::None);
  BindBones(m_machineMotion, *m_machineSet.Model, m_machineSet);
  m_frameCount = std::max(m_riderMotion.FrameCount(), m_machineMotion.FrameCount());
  m_machineParts = BuildPose(m_machineMotion, TMotionTrackIndex(m_machineMotion));
  m_playEnabled = true;
  m_currentFrame = 0;
  Changed(changes::FrameCount | changes::Frame | changes::Playback);
}

void TDravoEditor::FillPartList() {
  m_tweenList.clear();
  const auto riderCount = static_cast<std::int32_t>(m_riderParts.size());
  for (std::int32_t i = 0; i < riderCount; ++i)
    m_tweenList.push_back({m_riderParts[static_cast<std::size_t>(i)].Name, i});
  if (m_hasMachineMotion) {
    for (std::size_t j = 0; j < m_machineParts.size(); ++j)
      m_tweenList.push_back({m_machineParts[j].Name, riderCount + static_cast<std::int32_t>(j)});
  }
  m_tweenListIndex = m_tweenList.empty() ? -1 : 0;
  Changed(changes::Parts);
}

void TDravoEditor::ApplyEditSide(bool keepChecks) {
  const auto riderCount = static_cast<std::int32_t>(m_riderParts.size());
  for (PartItem& item : m_tweenList) {
    item.Checked = item.Checked && keepChecks;
    const bool riderItem = item.Part < riderCount;
    item.Enabled = m_riderEdit ? riderItem : !riderItem;
  }
  Changed(changes::Parts | changes::EditSide);
}

void TDravoEditor::ApplyFrameCount() {
  m_frameCount = m_riderEdit ? m_riderMotion.FrameCount() : m_machineMotion.FrameCount();
  m_frameCountLabel = std::to_string(m_frameCount);
  m_frameBarMax = m_frameCount;
  m_tweenBar.SetFrames(m_frameCount, m_tweenBarWidth);
  Changed(changes::FrameCount | changes::TweenBar);
  SetFrameBar(1);
}

void TDravoEditor::SelectPart(int item) {
  if (item >= -1 && item < static_cast<int>(m_tweenList.size())) m_tweenListIndex = item;
  Changed(changes::Parts);
}

void TDravoEditor::SetPartChecked(int item, bool checked) {
  if (item < 0 || static_cast<std::size_t>(item) >= m_tweenList.size()) return;
  PartItem& part = m_tweenList[static_cast<std::size_t>(item)];
  // A disabled item cannot be ticked.
  if (!part.Enabled) return;
  part.Checked = checked;
  Changed(changes::Parts);
}

void TDravoEditor::RiderEditClick(bool rider) {
  // "Edit Bike" is disabled for a trick without a machine motion; nothing switches to it.
  if (!rider && !m_bikeEditEnabled) return;
  m_riderEdit = rider;
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

TMotionPart* TDravoEditor::PartAt(std::int32_t part) {
  if (part < 0) return nullptr;
  const auto riderCount = static_cast<std::int32_t>(m_riderParts.size());
  if (part < riderCount) return &m_riderParts[static_cast<std::size_t>(part)];
  const std::int32_t machine = part - riderCount;
  if (m_hasMachineMotion && static_cast<std::size_t>(machine) < m_machineParts.size())
    return &m_machineParts[static_cast<std::size_t>(machine)];
  return nullptr;
}

bool TDravoEditor::PartHasFrame(std::int32_t part, std::int32_t frame) {
  const TMotionPart* p = PartAt(part);
  return p && HasFrame(*p, frame);
}

}  // namespace dravo
