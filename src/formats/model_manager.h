#pragma once

// The model manager: loads each model resource once through its plug-ins and shares it, counting the
// users. The editor owns one and passes it to whatever loads models. It must go before the texture
// manager, because the models' materials give their textures back to it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/memory_stream.h"

namespace dravo {

class TDXGmodel;
class TRmxResManager;
class TRmxObjPlugin;

// A listed model: the model, its users and where its resource lies.
struct TModelEntry {
  std::unique_ptr<TDXGmodel> Model;
  std::int32_t UseCount = 0;
  std::int32_t Folder = 0;  // the mounted folder's index in the resource manager
  std::int32_t Entry = 0;   // the resource's index in that folder
  TRmxObjPlugin* PlugIn = nullptr;

  TModelEntry();
  ~TModelEntry();
  TModelEntry(TModelEntry&&) noexcept;
  TModelEntry& operator=(TModelEntry&&) noexcept;
};

// What EntryCopy hands out: the record with the model as a plain pointer.
struct TModelEntryCopy {
  TDXGmodel* Model = nullptr;
  std::int32_t UseCount = 0;
  std::int32_t Folder = 0;
  std::int32_t Entry = 0;
  TRmxObjPlugin* PlugIn = nullptr;
};

// Turns a resource into a model.
class TRmxObjPlugin {
 public:
  virtual ~TRmxObjPlugin() = default;
  virtual std::int32_t TypeId() const = 0;
  // A second constant of the plug-in interface; nothing reads it.
  virtual std::int32_t Version() const = 0;
  // Loads the resource at a location; 0 with `record` holding the new model.
  virtual std::int32_t LoadAt(std::int32_t folder, std::int32_t entry,
                              std::unique_ptr<TModelEntry>& record) = 0;
  virtual std::int32_t LoadByName(std::string_view name, std::unique_ptr<TModelEntry>& record) = 0;
  virtual std::int32_t LoadFromStream(std::int32_t ignored, MemoryStream* stream,
                                      std::unique_ptr<TModelEntry>& record) = 0;
  // Called just before the manager frees a model the plug-in made.
  virtual void Release(TModelEntry& record) = 0;
};

class TRmxObjectManager {
 public:
  // Told about every model a plug-in makes, before it is loaded.
  using TModelCreatedHook = std::function<void(TRmxObjectManager& manager, TDXGmodel& model)>;

  explicit TRmxObjectManager(TRmxResManager* resources);
  // Frees the plug-ins and every model still listed.
  ~TRmxObjectManager();
  TRmxObjectManager(const TRmxObjectManager&) = delete;
  TRmxObjectManager& operator=(const TRmxObjectManager&) = delete;

  // 0, or -1 when given none. The manager owns the plug-in.
  std::int32_t RegisterPlugIn(std::unique_ptr<TRmxObjPlugin> plugIn);
  // 0 and the model: a listed one with another use, else the ".dxg" resource of that name. The resource
  // manager's code when the name is not found; -2 when no plug-in could load it.
  std::int32_t LoadModel(std::string_view name, TDXGmodel*& model);
  std::int32_t LoadModelAt(std::int32_t folder, std::int32_t entry, TDXGmodel*& model);
  // Gives back one use; the model is freed with its last. 0, or -1 when the model is not listed.
  std::int32_t ReleaseModel(TDXGmodel* model);
  // Both search from the end of the list; -1 when not listed.
  std::int32_t IndexOfLocation(std::int32_t folder, std::int32_t entry) const;
  std::int32_t IndexOfModel(const TDXGmodel* model) const;
  // The first entry of that name (A-Z case ignored), or -1.
  std::int32_t IndexOf(std::string_view name) const;
  // A copy of the record; all zero outside the list.
  void EntryCopy(std::int32_t index, TModelEntryCopy& out) const;
  std::string NameAt(std::int32_t index) const;
  std::int32_t Count() const { return static_cast<std::int32_t>(m_items.size()); }
  TRmxResManager* Resources() const { return m_resources; }

  TModelCreatedHook OnModelCreated;

 private:
  struct Item {
    std::string name;
    std::unique_ptr<TModelEntry> entry;
  };
  TRmxResManager* m_resources;
  std::vector<Item> m_items;
  std::vector<std::unique_ptr<TRmxObjPlugin>> m_plugIns;
};

}  // namespace dravo
