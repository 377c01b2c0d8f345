#pragma once

// The model plug-in for the game's ".dxg" files.

#include "formats/dxm_material.h"
#include "formats/model_manager.h"

namespace dravo {

class TVellDXPanel;

class TMvAObjPlugIn : public TRmxObjPlugin {
 public:
  // Models are made on `panel`, announced through `manager`'s OnModelCreated hook, and read their
  // materials and textures through `services` (its Resources also reads the models).
  TMvAObjPlugIn(TRmxObjectManager& manager, TVellDXPanel* panel, TMaterialServices services)
      : m_manager(manager), m_panel(panel), m_services(services) {}

  std::int32_t TypeId() const override { return 2; }
  std::int32_t Version() const override { return 256; }
  // 0 with a loaded model; the resource manager's code when the resource cannot be read; -2 when the
  // model does not load; -1 when an exception escapes.
  std::int32_t LoadAt(std::int32_t folder, std::int32_t entry, std::unique_ptr<TModelEntry>& record) override;
  std::int32_t LoadByName(std::string_view name, std::unique_ptr<TModelEntry>& record) override;
  // Loads a model from a stream without raising the hook.
  std::int32_t LoadFromStream(std::int32_t ignored, MemoryStream* stream,
                              std::unique_ptr<TModelEntry>& record) override;
  void Release(TModelEntry& /*record*/) override {}

 private:
  TRmxObjectManager& m_manager;
  TVellDXPanel* m_panel;
  TMaterialServices m_services;
};

}  // namespace dravo
