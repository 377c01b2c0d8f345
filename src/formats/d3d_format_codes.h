#pragma once

// The Direct3D surface format numbers the texture files store.

#include <cstdint>

// The Direct3D 8 pixel-format numbers the bitmap analysis hands out. Plain numbers, so that the
// device layer's own format type converts to and from them without a cast on its side.
namespace dravo::fmtcode {

inline constexpr std::uint32_t kA8R8G8B8 = 21;
inline constexpr std::uint32_t kX8R8G8B8 = 22;
inline constexpr std::uint32_t kR5G6B5 = 23;
inline constexpr std::uint32_t kX1R5G5B5 = 24;
inline constexpr std::uint32_t kA1R5G5B5 = 25;
inline constexpr std::uint32_t kA4R4G4B4 = 26;

}  // namespace dravo::fmtcode
