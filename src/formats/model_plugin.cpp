#include "formats/model_plugin.h"

#include <exception>

#include "formats/dxg_model.h"
#include "resources/resource_manager.h"

namespace dravo {

std::int32_t TMvAObjPlugIn::LoadAt(std::int32_t folder, std::int32_t entry,
                                   std::unique_ptr<TModelEntry>& record) {
  record.reset();
  if (!m_services.Resources) return -1;
  MemoryStream stream;
  const std::int32_t read = m_services.Resources->ReadResourceAt(folder, entry, stream);
  if (read != 0) return read;
  stream.setPosition(0);
  try {
    auto made = std::make_unique<TModelEntry>();
    made->Model = std::make_unique<TDXGmodel>(m_panel, m_services);
    if (m_manager.OnModelCreated) m_manager.OnModelCreated(m_manager, *made->Model);
    if (!made->Model->LoadFromStream(m_panel, &stream, folder)) return -2;
    record = std::move(made);
    return 0;
  } catch (const std::exception&) {
    record.reset();
    return -1;
  }
}

std::int32_t TMvAObjPlugIn::LoadByName(std::string_view name, std::unique_ptr<TModelEntry>& record) {
  record.reset();
  if (!m_services.Resources) return -1;
  int folder = -1, entry = -1;
  const std::int32_t found = m_services.Resources->FindResource(name, folder, entry);
  if (found != 0) return found;
  return LoadAt(folder, entry, record);
}

std::int32_t TMvAObjPlugIn::LoadFromStream(std::int32_t /*ignored*/, MemoryStream* stream,
                                           std::unique_ptr<TModelEntry>& record) {
  record.reset();
  if (!stream) return -2;
  try {
    auto made = std::make_unique<TModelEntry>();
    made->Model = std::make_unique<TDXGmodel>(m_panel, m_services);
    if (!made->Model->LoadFromStream(m_panel, stream)) return -2;
    record = std::move(made);
    return 0;
  } catch (const std::exception&) {
    return -1;
  }
}

}  // namespace dravo
