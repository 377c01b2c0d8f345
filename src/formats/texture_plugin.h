#pragma once

// The texture plug-in for the game's ".dxt" files.

#include "formats/texture_manager.h"

namespace dravo {

class TVellDXPanel;

class TMvAGfxPlugIn : public TRmxGfxPlugIn {
 public:
  // Textures are made on the panel's device; without a panel (or device) nothing can be loaded.
  explicit TMvAGfxPlugIn(TVellDXPanel* panel) : m_panel(panel) {}

  std::int32_t TypeId() const override { return 2; }
  std::int32_t Version() const override { return 256; }
  std::int32_t Query(const TPlugInQuery& query) const override;
  // Reads a ".dxt" file from the stream's position into a one-level texture of the full-size level.
  // 0 success; -1 no stream, no level of the full size, or (palettised) no device; -2 an unknown
  // format code, a header that is not there, a block level that cannot be filled, or a palette that
  // cannot be made current; -3 the texture (block formats) or work surface (palettised) cannot be
  // made; -4 (block formats) no device, or (palettised) a failed conversion or texture creation.
  // `format` gets the code whenever the header was read. The stream is left after what was read.
  std::int32_t LoadTexture(std::int32_t& format, MemoryStream* stream,
                           ComPtr<IDirect3DTexture8>& texture) override;

 private:
  TVellDXPanel* m_panel;
};

}  // namespace dravo
