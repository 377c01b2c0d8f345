#pragma once

// The game's ".dxt" texture file on bytes alone: an optional 12-byte prefix, header A (word, format code,
// word), a 256-entry palette for the palettised codes, header B (level count, width, height) and the
// levels, each a header (width, height, byte size) and its bytes. The texture plug-in streams such a file
// into a device texture; this parser, decoder and writer serve the tools, the tests and the demo game.

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/error.h"

#include "render/d3d8_types.h"

namespace dravo {

// Format codes as the files carry them (the character in brackets).
inline constexpr std::uint32_t kDxtCodeDxt1 = 38;        // "&"
inline constexpr std::uint32_t kDxtCodeDxt1Alt = 40;     // "("
inline constexpr std::uint32_t kDxtCodeDxt3 = 50;        // "2"
inline constexpr std::uint32_t kDxtCodeDxt5Alt = 53;     // "5": a level count of 0 counts as 1
inline constexpr std::uint32_t kDxtCodeDxt5 = 54;        // "6"
inline constexpr std::uint32_t kDxtCodePalette = 55;     // "7"
inline constexpr std::uint32_t kDxtCodePaletteAlt = 56;  // "8"
inline constexpr std::uint32_t kDxtAllCodes[] = {38, 40, 50, 53, 54, 55, 56};

inline constexpr std::size_t kDxtHeaderBytes = 12;
inline constexpr std::size_t kDxtPaletteBytes = 1024;

bool IsPalettisedDxtCode(std::uint32_t code);
// The texture format a code makes: DXT1/3/5, A8R8G8B8 for the palettised codes, D3DFMT_UNKNOWN for a
// code the reader refuses.
D3DFORMAT DxtCodeTextureFormat(std::uint32_t code);
// The code written for a texture of `format`, or 0 for a format that is not written.
std::uint32_t DxtCodeForFormat(D3DFORMAT format);
// The format the level data of a code is in: DXT1/3/5 or P8.
D3DFORMAT DxtCodeDataFormat(std::uint32_t code);
// Bytes of a level of that size: whole 4x4 blocks, or one index byte per pixel.
std::uint64_t DxtLevelBytes(std::uint32_t code, std::uint32_t width, std::uint32_t height);

// A file that is not a texture the reader can take.
class DxtFileError : public Error {
 public:
  explicit DxtFileError(const std::string& problem) : Error({}, problem) {}
};

struct DxtLevelInfo {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t size = 0;  // byte size from the level header
  std::size_t offset = 0;  // where the level's bytes start in the file
};

struct DxtFileInfo {
  bool prefix = false;
  std::uint32_t code = 0;
  std::uint32_t storedLevelCount = 0;  // header B's word as stored
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  // Palette entries as red, green, blue, alpha (the file stores blue, green, red, alpha).
  std::array<PALETTEENTRY, 256> palette{};
  std::vector<DxtLevelInfo> levels;
  // The level the reader makes the texture of: the last one of header B's size.
  int fullLevel = -1;
};

// The one reading of the layout, as far as the bytes go; it never throws. The texture plug-in takes
// what it finds (levels the header promises beyond the end are simply not there); ParseDxtFile
// refuses any damage.
struct DxtScan {
  enum class Stop {
    None,          // the file holds every level its header promises
    HeaderA,       // too short for header A (or for the one after the prefix)
    Palette,       // the palette is cut short
    ImageHeader,   // header B is cut short
    UnknownCode,   // a code that makes no texture (found after header B for the block codes)
    LevelHeaders,  // fewer level headers than promised
    LevelBytes,    // the last level's bytes run past the end (it is listed, with its claimed size)
  };
  DxtFileInfo info;  // the levels whose headers were read; fullLevel among the whole ones
  Stop stop = Stop::None;
  std::uint32_t levelCount = 0;  // promised, after the rule for code 53
  std::size_t headerAEnd = 0;    // after header A (and the prefix)
  std::size_t imageHeaderEnd = 0;
  std::size_t end = 0;  // where reading stopped
};
DxtScan ScanDxtFile(std::span<const std::uint8_t> bytes);

// Parses the layout and checks that every level lies inside the file and that a level of the full size
// exists. Throws DxtFileError naming what is wrong.
DxtFileInfo ParseDxtFile(std::span<const std::uint8_t> bytes);

// The full-size level as rows of red, green, blue, alpha bytes: blocks decoded, palette indices looked up
// (the palette's fourth byte is the alpha). Throws DxtFileError when the level is smaller than its size
// needs.
std::vector<std::uint8_t> DecodeDxtRgba(std::span<const std::uint8_t> bytes, const DxtFileInfo& info);

// Everything a file holds, for the writer. Levels are written in the order given.
struct DxtLevelData {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> bytes;
};
struct DxtFileLayout {
  bool prefix = false;
  std::uint32_t code = kDxtCodeDxt5;
  std::uint32_t word0 = 2;  // header A's words that nothing reads; our writer puts 2 and 0
  std::uint32_t word2 = 0;
  std::array<PALETTEENTRY, 256> palette{};  // red, green, blue, alpha; written for codes 55 and 56
  // Header B's level count; -1 writes the number of levels given.
  std::int64_t levelCount = -1;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<DxtLevelData> levels;
};
std::vector<std::uint8_t> WriteDxtFile(const DxtFileLayout& layout);

// Turns a DXT3 block's explicit alpha (the first 8 bytes of its 16) into the interpolated alpha of a DXT5
// block, in place; the colour half is the same in both formats.
void Dxt3AlphaToDxt5(std::uint8_t* block);

}  // namespace dravo
