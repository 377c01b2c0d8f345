// Riders and machines: model sets from ".sub" documents, the two lists, and the hooks the
// managers call while models and textures load.
#include <algorithm>
#include "core/text.h"
#include "editor/dravo_editor.h"
#include "formats/dxg_model.h"
#include "formats/model_manager.h"
#include "formats/texture_manager.h"
#include "resources/document_ini.h"
#include "resources/resource_manager.h"

namespace dravo {

namespace {

constexpr std::int32_t kFolderShift = 1 << 24;

// The document a list item names: its object number packs the folder and the entry.
std::string ItemPath(TRmxResManager& resources, std::int32_t object) {
  return resources.ResourcePath(object / kFolderShift, object % kFolderShift, true);
}

// The last item of the list that names `path`, or `current` when none does.
int IndexOfPath(TRmxResManager& resources, const std::vector<ModelListItem>& box, const std::string& path,
                int current) {
  for (std::size_t i = 0; i < box.size(); ++i)
    if (SameTextAZ(ItemPath(resources, box[i].Object), path)) current = static_cast<int>(i);
  return current;
}

bool ReadDocument(TRmxResManager& resources, const std::string& name, TKelIniFile& document) {
  MemoryStream stream;
  if (resources.ReadResource(name, stream, true) != 0) return false;
  document.LoadFromStream(stream);
  return true;
}

// Model loading paints nothing in between: the view is off while a set is replaced.
class RenderingPaused {
 public:
  explicit RenderingPaused(TVellDXPanel& panel) : m_panel(panel), m_was(panel.RenderEnabled) {
    panel.RenderEnabled = false;
  }
  ~RenderingPaused() { m_panel.RenderEnabled = m_was; }
  RenderingPaused(const RenderingPaused&) = delete;
  RenderingPaused& operator=(const RenderingPaused&) = delete;

 private:
  TVellDXPanel& m_panel;
  bool m_was;
};

}  // namespace

void TDravoEditor::SetModelEvents(TDXGmodel& model) {
  model.OnWorldMatrix = [this](TDXGmodel&, D3DXMATRIX& world) { world = m_view.sceneMatrix; };
  model.OnBoneTransform = [this](TDXGmodel& sender, D3DXMATRIX& world, std::int32_t bone) {
    PoseBone(sender, world, bone);
  };
  model.OnTextureFactor = [this](TDXGmodel&, D3DCOLOR& colour) {
    colour = static_cast<D3DCOLOR>(m_view.mudScale) << 24;
  };
}

bool TDravoEditor::LoadModelSet(const std::string& document, TModelSet& set) {
  if (!m_resources || !m_models) return false;
  TRmxResManager& resources = m_resources->manager();
  TKelIniFile sub;
  if (!ReadDocument(resources, document, sub)) return false;
  const std::string mcfValue = Trim(sub.ReadString("Objects", "MCF"));
  if (mcfValue.empty()) return false;
  TKelIniFile mcf;
  std::string mainModel;
  if (ReadDocument(resources, ModelConfigName(mcfValue), mcf))
    mainModel = mcf.ReadString("General Info", "SLTfile");

  if (set.Model) {
    m_models->ReleaseModel(set.Model);
    set.Model = nullptr;
  }
  m_chosen.materialChanges = ReadMaterialChanges(sub.Lines());

  TDXGmodel* model = nullptr;
  if (m_models->LoadModel(ChangeFileExt(Trim(mainModel), ".dxg"), model) != 0 || !model) return false;
  set.Model = model;
  SetModelEvents(*model);

  // A document cannot describe more sub-objects than it has lines; a larger count is a broken
  // number, not a reason to allocate.
  std::int32_t count = sub.ReadInteger("Objects", "NumberOfSubObjects", 0);
  count = std::clamp<std::int32_t>(count, 0, static_cast<std::int32_t>(sub.Lines().size()));
  for (TAttachment& old : set.Attachments)
    if (old.Model) m_models->ReleaseModel(old.Model);
  set.Attachments.assign(static_cast<std::size_t>(count), TAttachment{});
  for (std::int32_t i = 1; i <= count; ++i) {
    TAttachment& a = set.Attachments[static_cast<std::size_t>(i - 1)];
    const std::string section = "SubObject" + std::to_string(i);
    a.Placement = sub.ReadString(section, "Placement").substr(0, 255);
    a.Bone = std::max(0, FindBone(set, a.Placement));
    TDXGmodel* attached = nullptr;
    if (m_models->LoadModel(Trim(sub.ReadString(section, "SLT")), attached) == 0 && attached) {
      a.Model = attached;
      SetModelEvents(*attached);
    }
  }
  m_statusText = "Done";
  Changed(changes::Status);
  return true;
}

void TDravoEditor::ReleaseModelSet(TModelSet& set) {
  if (m_models) {
    if (set.Model) m_models->ReleaseModel(set.Model);
    for (TAttachment& a : set.Attachments)
      if (a.Model) m_models->ReleaseModel(a.Model);
  }
  set.Attachments.clear();
  set.Model = nullptr;
}

std::int32_t TDravoEditor::FindBone(const TModelSet& set, const std::string& name) const {
  if (!set.Model) return 0;
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(set.Model->BoneCount()));
  for (std::int32_t i = 0; i < set.Model->BoneCount(); ++i)
    names.push_back(set.Model->Bone(i)->Name);
  return FindBoneByName(names, name);
}

bool TDravoEditor::LoadRider(const std::string& document) {
  m_chosen.loadingMachine = false;
  const bool loaded = LoadModelSet(document, m_chosen.riderSet);
  ResetClipboard();
  return loaded;
}

bool TDravoEditor::LoadMachine(const std::string& document) {
  m_chosen.loadingMachine = true;
  const bool loaded = LoadModelSet(document, m_chosen.machineSet);
  ResetClipboard();
  return loaded;
}

void TDravoEditor::ResetClipboard() {
  m_clipboard = PoseClipboard{};
  Changed(changes::Clipboard);
}

void TDravoEditor::FillModelLists() {
  m_chosen.riderBox.clear();
  m_chosen.machineBox.clear();
  m_chosen.riderIndex = m_chosen.machineIndex = -1;
  if (!m_resources) return;
  TRmxResManager& resources = m_resources->manager();
  static constexpr std::string_view kMachinePrefixes[] = {"mxs", "mx", "mxf", "ff", "smx", "atv", "satv"};
  int folder = 0, resource = -1;
  while (resources.FindNextByExtension(".sub", folder, resource)) {
    const std::string path = resources.ResourcePath(folder, resource, false);
    const ModelListItem item{resources.DisplayName(folder, resource), folder * kFolderShift + resource};
    const std::string lower = LowerAZ(path);
    const std::string file = LowerAZ(ExtractFileName(path));
    if (lower.find("data\\rider\\") != std::string::npos && lower.find("_ai") == std::string::npos) {
      m_chosen.riderBox.push_back(item);
      if (file == LowerAZ(m_chosen.lastRider))
        m_chosen.riderIndex = static_cast<int>(m_chosen.riderBox.size()) - 1;
      continue;
    }
    for (std::string_view prefix : kMachinePrefixes) {
      if (file.rfind(prefix, 0) == 0) {
        m_chosen.machineBox.push_back(item);
        if (file == LowerAZ(m_chosen.lastMachine))
          m_chosen.machineIndex = static_cast<int>(m_chosen.machineBox.size()) - 1;
        break;
      }
    }
  }
  Changed(changes::ModelLists);
}

void TDravoEditor::SelectRiderBoxChange(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_chosen.riderBox.size() || !m_resources) return;
  m_chosen.riderIndex = index;
  const std::string name =
      ItemPath(m_resources->manager(), m_chosen.riderBox[static_cast<std::size_t>(index)].Object);
  if (Trim(name).empty()) return;
  Guard([&] {
    RenderingPaused paused(m_panel);
    m_chosen.riderLoaded = LoadRider(name);
    if (m_chosen.riderLoaded) {
      m_chosen.lastRider = name;
    } else {
      m_chosen.riderLoaded = LoadRider(m_chosen.lastRider);
    }
  });
  // The list shows the rider that is loaded.
  m_chosen.riderIndex =
      IndexOfPath(m_resources->manager(), m_chosen.riderBox, m_chosen.lastRider, m_chosen.riderIndex);
  FillTextureList();
  Changed(changes::ModelLists);
  Repaint();
}

void TDravoEditor::SelectMachineBoxChange(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_chosen.machineBox.size() || !m_resources) return;
  m_chosen.machineIndex = index;
  const std::string name =
      ItemPath(m_resources->manager(), m_chosen.machineBox[static_cast<std::size_t>(index)].Object);
  if (Trim(name).empty()) return;
  bool loaded = false;
  Guard([&] {
    RenderingPaused paused(m_panel);
    m_chosen.machineLoaded = loaded = LoadMachine(name);
    if (loaded) {
      m_chosen.lastMachine = name;
    } else {
      m_chosen.machineLoaded = LoadMachine(m_chosen.lastMachine);
    }
  });
  m_chosen.machineIndex =
      IndexOfPath(m_resources->manager(), m_chosen.machineBox, m_chosen.lastMachine, m_chosen.machineIndex);
  FillTextureList();
  Changed(changes::ModelLists);
  if (loaded) {
    Guard([&] {
      BuildCatalogue();
      // The first trick of the new list, shown selected; an empty list selects nothing.
      if (!m_catalogue.entries.empty()) SelectTrickItem(0);
    });
  }
  Repaint();
}

std::int32_t TDravoEditor::FindOwnTexture(const std::string& name, std::unique_ptr<MemoryStream>& stream) {
  if (!m_ownArchive) return -1;
  const std::string entry = (m_chosen.loadingMachine ? kMachineTexFolder : kRiderTexFolder) + name;
  if (!m_ownArchive->ReadByName(entry, stream)) return -1;
  if (stream) stream->setPosition(0);
  return 0;
}

void TDravoEditor::ModelCreated(TDXGmodel& model) {
  model.OnMaterialName = [this](TDXGmodel&, std::string& name) {
    name = ChangedMaterialName(m_chosen.materialChanges, name);
  };
  model.SetColor(m_view.mudColor);
}

void TDravoEditor::ApplyMudColour() {
  const auto colour = [&](TDXGmodel* model) { model->SetColor(m_view.mudColor); };
  m_chosen.machineSet.ForEachModel(colour);
  m_chosen.riderSet.ForEachModel(colour);
}

}  // namespace dravo
