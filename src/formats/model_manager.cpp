#include "formats/model_manager.h"

#include "core/text.h"
#include "formats/dxg_model.h"
#include "resources/resource_manager.h"

namespace dravo {

TModelEntry::TModelEntry() = default;
TModelEntry::~TModelEntry() = default;
TModelEntry::TModelEntry(TModelEntry&&) noexcept = default;
TModelEntry& TModelEntry::operator=(TModelEntry&&) noexcept = default;

TRmxObjectManager::TRmxObjectManager(TRmxResManager* resources) : m_resources(resources) {}

TRmxObjectManager::~TRmxObjectManager() {
  // Models nobody gave back are freed here rather than lost, newest first.
  while (!m_items.empty())
    m_items.pop_back();
  m_plugIns.clear();
}

std::int32_t TRmxObjectManager::RegisterPlugIn(std::unique_ptr<TRmxObjPlugin> plugIn) {
  if (!plugIn) return -1;
  m_plugIns.push_back(std::move(plugIn));
  return 0;
}

std::int32_t TRmxObjectManager::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < m_items.size(); ++i)
    if (SameTextAZ(m_items[i].name, name)) return static_cast<std::int32_t>(i);
  return -1;
}

std::int32_t TRmxObjectManager::LoadModel(std::string_view name, TDXGmodel*& model) {
  const std::int32_t listed = IndexOf(name);
  if (listed >= 0) {
    TModelEntry& entry = *m_items[static_cast<std::size_t>(listed)].entry;
    model = entry.Model.get();
    ++entry.UseCount;
    return 0;
  }
  if (!m_resources) {
    model = nullptr;
    return -1;
  }
  int folder = -1, resource = -1;
  const std::int32_t found = m_resources->FindResource(ChangeFileExt(name, ".dxg"), folder, resource);
  if (found != 0) {
    model = nullptr;
    return found;
  }
  return LoadModelAt(folder, resource, model);
}

std::int32_t TRmxObjectManager::LoadModelAt(std::int32_t folder, std::int32_t entry, TDXGmodel*& model) {
  model = nullptr;
  const std::int32_t listed = IndexOfLocation(folder, entry);
  if (listed >= 0) {
    TModelEntry& record = *m_items[static_cast<std::size_t>(listed)].entry;
    model = record.Model.get();
    ++record.UseCount;
    return 0;
  }
  if (m_plugIns.empty()) return -2;
  const std::string name = m_resources ? m_resources->ResourcePath(folder, entry, true) : std::string();
  for (const auto& plugIn : m_plugIns) {
    std::unique_ptr<TModelEntry> record;
    if (plugIn->LoadAt(folder, entry, record) != 0 || !record || !record->Model) continue;
    record->Folder = folder;
    record->Entry = entry;
    record->UseCount = 1;
    record->PlugIn = plugIn.get();
    model = record->Model.get();
    m_items.push_back(Item{name, std::move(record)});
    return 0;
  }
  return -2;
}

std::int32_t TRmxObjectManager::ReleaseModel(TDXGmodel* model) {
  const std::int32_t index = IndexOfModel(model);
  if (!model || index < 0) return -1;
  TModelEntry& entry = *m_items[static_cast<std::size_t>(index)].entry;
  if (entry.UseCount > 0) --entry.UseCount;
  if (entry.UseCount < 1 && entry.PlugIn) {
    entry.PlugIn->Release(entry);
    m_items.erase(m_items.begin() + index);
  }
  return 0;
}

std::int32_t TRmxObjectManager::IndexOfLocation(std::int32_t folder, std::int32_t entry) const {
  for (std::size_t i = m_items.size(); i-- > 0;)
    if (m_items[i].entry->Folder == folder && m_items[i].entry->Entry == entry)
      return static_cast<std::int32_t>(i);
  return -1;
}

std::int32_t TRmxObjectManager::IndexOfModel(const TDXGmodel* model) const {
  for (std::size_t i = m_items.size(); i-- > 0;)
    if (m_items[i].entry->Model.get() == model) return static_cast<std::int32_t>(i);
  return -1;
}

void TRmxObjectManager::EntryCopy(std::int32_t index, TModelEntryCopy& out) const {
  out = TModelEntryCopy{};
  if (index < 0 || index >= Count()) return;
  const TModelEntry& entry = *m_items[static_cast<std::size_t>(index)].entry;
  out.Model = entry.Model.get();
  out.UseCount = entry.UseCount;
  out.Folder = entry.Folder;
  out.Entry = entry.Entry;
  out.PlugIn = entry.PlugIn;
}

std::string TRmxObjectManager::NameAt(std::int32_t index) const {
  if (index < 0 || index >= Count()) return {};
  return m_items[static_cast<std::size_t>(index)].name;
}

}  // namespace dravo
