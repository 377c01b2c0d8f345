// Writes the seed pictures of the image fuzzers: small files of every depth and variant the
// readers take. Run by scripts/make-format-seeds.sh; the output is committed under fuzz/corpus/.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/byte_io.h"
#include "core/file_io.h"
#include "formats/bmp_file.h"
#include "formats/png_file.h"
#include "formats/tga_file.h"
#include "image_fixtures.h"

using namespace dravo;
namespace fs = std::filesystem;

namespace {

void Put(const fs::path& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(dir);
  WriteFileAtomic(dir / name, bytes);
}

std::vector<std::uint8_t> TgaHeader(std::uint8_t mapType, std::uint8_t type, std::uint16_t mapLength,
                                    std::uint8_t mapDepth, std::uint16_t width, std::uint16_t height,
                                    std::uint8_t depth, std::uint8_t descriptor) {
  ByteWriter w;
  w.u8(0);
  w.u8(mapType);
  w.u8(type);
  w.u16(0);
  w.u16(mapLength);
  w.u8(mapDepth);
  w.u32(0);
  w.u16(width);
  w.u16(height);
  w.u8(depth);
  w.u8(descriptor);
  return w.release();
}

std::vector<std::uint8_t> Join(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_image_seeds CORPUS_DIR\n");
    return 2;
  }
  const fs::path corpus = argv[1];
  struct Layout {
    const char* name;
    int bitsPerPixel;
    ColourMasks masks;
  };
  const Layout tgaLayouts[] = {
      {"15", 15, {}}, {"16", 16, {}}, {"1555", 16, kMasks1555}, {"24", 24, {}}, {"32", 32, {}}};
  for (const Layout& l : tgaLayouts)
    for (bool rle : {false, true})
      for (bool topDown : {false, true})
        Put(corpus / "tga_fuzz", std::string(l.name) + (rle ? "-rle" : "") + (topDown ? "-top" : "") + ".tga",
            EncodeTga(test::Pattern(6, 3, l.bitsPerPixel, l.masks), {rle, topDown}));
  Put(corpus / "tga_fuzz", "grey-rle.tga",
      Join(TgaHeader(0, 11, 0, 0, 3, 2, 8, 0), {0x82, 9, 0x02, 1, 2, 3}));
  Put(corpus / "tga_fuzz", "mapped-rle.tga",
      Join(TgaHeader(1, 9, 2, 32, 3, 2, 8, 0x28), {1, 2, 3, 4, 5, 6, 7, 8, 0x85, 1}));
  Put(corpus / "tga_fuzz", "mapped16.tga",
      Join(TgaHeader(1, 1, 2, 16, 2, 1, 8, 0), {0x1F, 0x7C, 0xE0, 0x03, 0, 1}));

  const Layout bmpLayouts[] = {{"16", 16, {}},         {"555", 16, kMasks555},   {"1555", 16, kMasks1555},
                               {"565", 16, kMasks565}, {"4444", 16, kMasks4444}, {"24", 24, {}},
                               {"32", 32, {}}};
  const char* headers[] = {"info", "v4", "v5"};
  for (const Layout& l : bmpLayouts)
    for (int h = 0; h < 3; ++h)
      for (bool topDown : {false, true})
        Put(corpus / "bmp_fuzz", std::string(l.name) + "-" + headers[h] + (topDown ? "-top" : "") + ".bmp",
            EncodeBmp(test::Pattern(5, 3, l.bitsPerPixel, l.masks), {BmpHeader(h), topDown}));
  {
    // 8-bit palette picture, 3 x 2, and a 4-bit one with the old core header.
    ByteWriter w;
    w.text("BM");
    w.u32(0);
    w.u32(0);
    w.u32(14 + 40 + 12);
    w.u32(40);
    w.i32(3);
    w.i32(2);
    w.u16(1);
    w.u16(8);
    w.zeros(16);
    w.u32(3);
    w.u32(0);
    w.bytes(std::vector<std::uint8_t>{0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 1, 2, 0, 2, 1, 0, 0});
    Put(corpus / "bmp_fuzz", "palette8.bmp", w.release());
    ByteWriter c;
    c.text("BM");
    c.u32(0);
    c.u32(0);
    c.u32(14 + 12 + 6);
    c.u32(12);
    c.u16(3);
    c.u16(1);
    c.u16(1);
    c.u16(4);
    c.bytes(std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 0x10, 0x10, 0, 0});
    Put(corpus / "bmp_fuzz", "core4.bmp", c.release());
  }

  std::vector<std::uint8_t> rgba;
  for (int i = 0; i < 4 * 3; ++i)
    rgba.insert(rgba.end(), {std::uint8_t(i * 20), std::uint8_t(255 - i * 20), std::uint8_t(i % 2 * 255),
                             std::uint8_t(i < 6 ? 255 : i * 20)});
  const std::pair<const char*, PngColour> pngs[] = {{"rgba", PngColour::Rgba},
                                                    {"rgb", PngColour::Rgb},
                                                    {"grey", PngColour::Grey},
                                                    {"palette", PngColour::Palette}};
  for (const auto& [name, colour] : pngs)
    Put(corpus / "png_fuzz", std::string(name) + ".png", EncodePng(4, 3, rgba, colour));
  return 0;
}
