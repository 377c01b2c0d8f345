#include "formats/texture_manager.h"

#include <exception>

#include "core/text.h"
#include "resources/resource_manager.h"

namespace dravo {

TRmxGfxManager::TRmxGfxManager(TRmxResManager* resources) : m_resources(resources) {}

TRmxGfxManager::~TRmxGfxManager() {
  while (!m_items.empty())
    ReleaseAt(0, true);
  m_plugIns.clear();
}

std::int32_t TRmxGfxManager::RegisterPlugIn(std::unique_ptr<TRmxGfxPlugIn> plugIn) {
  if (!plugIn) return -1;
  m_plugIns.push_back(std::move(plugIn));
  return 0;
}

std::int32_t TRmxGfxManager::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < m_items.size(); ++i)
    if (SameTextAZ(m_items[i].name, name)) return static_cast<std::int32_t>(i);
  return -1;
}

bool TRmxGfxManager::UseListed(std::string_view name, ComPtr<IDirect3DTexture8>& texture) {
  const std::int32_t index = IndexOf(name);
  if (index < 0) return false;
  TTextureEntry& entry = *m_items[static_cast<std::size_t>(index)].entry;
  ++entry.UseCount;
  texture = entry.Texture;
  return true;
}

std::int32_t TRmxGfxManager::LoadTexture(std::int32_t type, std::string_view name,
                                         ComPtr<IDirect3DTexture8>& texture) {
  texture.Reset();
  const std::string trimmed = Trim(name);
  if (UseListed(trimmed, texture)) return 0;
  if (!m_resources) return -1;

  std::unique_ptr<MemoryStream> stream;
  std::int32_t result = -1;
  if (OnLoadStream) result = OnLoadStream(trimmed, stream);
  if (result != 0 || !stream) {
    stream.reset();
    result = m_resources->ReadResource(trimmed, stream, false);
    if (result != 0 || !stream) return result != 0 ? result : -1;
  }

  stream->setPosition(0);
  if (UseListed(trimmed, texture)) return 0;
  result = -1;
  for (const auto& plugIn : m_plugIns) {
    if (plugIn->TypeId() != type) continue;
    std::int32_t format = 0;
    ComPtr<IDirect3DTexture8> made;
    try {
      result = plugIn->LoadTexture(format, stream.get(), made);
    } catch (const std::exception&) {
      result = -1;
    }
    if (result == 0 && made) {
      auto entry = std::make_unique<TTextureEntry>();
      entry->Texture = made;
      entry->Format = format;
      entry->PlugIn = plugIn.get();
      m_items.push_back(Item{trimmed, std::move(entry)});
      texture = std::move(made);
      break;
    }
    // Success without a texture is no success.
    if (result == 0) result = -1;
  }
  return result;
}

std::int32_t TRmxGfxManager::IndexOfTexture(const IDirect3DTexture8* texture) const {
  for (std::size_t i = m_items.size(); i-- > 0;)
    if (m_items[i].entry->Texture.Get() == texture) return static_cast<std::int32_t>(i);
  return -1;
}

std::int32_t TRmxGfxManager::ReleaseTexture(IDirect3DTexture8* texture, bool force) {
  const std::int32_t index = IndexOfTexture(texture);
  if (index >= 0) ReleaseAt(index, force);
  return index;
}

std::int32_t TRmxGfxManager::ReleaseTextureByName(std::string_view name, bool force) {
  const std::int32_t index = IndexOf(Trim(name));
  if (index >= 0) ReleaseAt(index, force);
  return index;
}

void TRmxGfxManager::ReleaseAt(std::int32_t index, bool force) {
  if (index < 0 || index >= Count()) return;
  TTextureEntry& entry = *m_items[static_cast<std::size_t>(index)].entry;
  --entry.UseCount;
  if (force || entry.UseCount <= 0) m_items.erase(m_items.begin() + index);
}

TTextureEntry* TRmxGfxManager::EntryAt(std::int32_t index) {
  if (index < 0 || index >= Count()) return nullptr;
  return m_items[static_cast<std::size_t>(index)].entry.get();
}

std::string TRmxGfxManager::NameAt(std::int32_t index) const {
  if (index < 0 || index >= Count()) return {};
  return m_items[static_cast<std::size_t>(index)].name;
}

}  // namespace dravo
