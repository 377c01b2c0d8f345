#pragma once

// The texture manager: loads each named texture once through its plug-ins and hands out shared
// references, counting the users. The editor owns one and passes it to whatever loads textures.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/memory_stream.h"
#include "render/d3d8.h"

namespace dravo {

class TRmxResManager;

// The record the plug-in query reads: it answers 1 when the word that Value points to is non-zero.
struct TPlugInQuery {
  std::int32_t Kind = 0;
  const std::int32_t* Value = nullptr;
};

// Turns a stream into a texture. The manager uses only plug-ins whose TypeId is the type asked for.
class TRmxGfxPlugIn {
 public:
  virtual ~TRmxGfxPlugIn() = default;
  virtual std::int32_t TypeId() const = 0;
  // A second constant of the plug-in interface; nothing reads it.
  virtual std::int32_t Version() const = 0;
  virtual std::int32_t Query(const TPlugInQuery& query) const = 0;
  // 0 on success with `texture` set; `format` gets the format code the stream declared.
  virtual std::int32_t LoadTexture(std::int32_t& format, MemoryStream* stream,
                                   ComPtr<IDirect3DTexture8>& texture) = 0;
};

struct TTextureEntry {
  ComPtr<IDirect3DTexture8> Texture;  // the manager's own reference
  std::int32_t UseCount = 1;
  std::int32_t Flags = 0;   // bit 0x8000: replaced by the user and not in the game's archives
  std::int32_t Format = 0;  // the format code the plug-in reported
  TRmxGfxPlugIn* PlugIn = nullptr;
};

// Set on TTextureEntry::Flags when the user replaced the texture.
inline constexpr std::int32_t kTextureReplaced = 0x8000;

class TRmxGfxManager {
 public:
  // Supplies a stream for a texture name before the resource manager is asked: 0 when it did.
  using TLoadStreamHook =
      std::function<std::int32_t(const std::string& name, std::unique_ptr<MemoryStream>& stream)>;

  // Textures are read through `resources` (none: only listed textures can be had).
  explicit TRmxGfxManager(TRmxResManager* resources);
  // Releases every texture, then the plug-ins.
  virtual ~TRmxGfxManager();
  TRmxGfxManager(const TRmxGfxManager&) = delete;
  TRmxGfxManager& operator=(const TRmxGfxManager&) = delete;

  // 0, or -1 when given none. The manager owns the plug-in.
  std::int32_t RegisterPlugIn(std::unique_ptr<TRmxGfxPlugIn> plugIn);

  // 0 and a new reference to the texture, or an error code (the resource manager's or the plug-in's; -1
  // when there is neither a stream nor a plug-in that makes the texture).
  std::int32_t LoadTexture(std::int32_t type, std::string_view name, ComPtr<IDirect3DTexture8>& texture);
  // Give back one use (or all, with `force`); the index of the entry released or -1.
  virtual std::int32_t ReleaseTexture(IDirect3DTexture8* texture, bool force);
  virtual std::int32_t ReleaseTextureByName(std::string_view name, bool force);
  // The last entry holding the texture, or -1.
  std::int32_t IndexOfTexture(const IDirect3DTexture8* texture) const;
  // The first entry of that name (A-Z case ignored), or -1.
  std::int32_t IndexOf(std::string_view name) const;
  void ReleaseAt(std::int32_t index, bool force);
  // None outside the list.
  TTextureEntry* EntryAt(std::int32_t index);
  // Empty outside the list.
  std::string NameAt(std::int32_t index) const;
  std::int32_t Count() const { return static_cast<std::int32_t>(m_items.size()); }

  TLoadStreamHook OnLoadStream;

 private:
  struct Item {
    std::string name;
    std::unique_ptr<TTextureEntry> entry;
  };
  // Hands out a listed texture and counts the use.
  bool UseListed(std::string_view name, ComPtr<IDirect3DTexture8>& texture);

  TRmxResManager* m_resources;
  std::vector<Item> m_items;
  std::vector<std::unique_ptr<TRmxGfxPlugIn>> m_plugIns;
};

}  // namespace dravo
