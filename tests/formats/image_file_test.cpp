#include "formats/image_file.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

using namespace dravo;

TEST(ImageFile, TheExtensionChoosesTheReaderWhateverItsCase) {
  TempDir dir;
  Bitmap b(4, 2, 16, kMasks1555);
  b.setPixel(1, 1, 0xFC1F);
  WriteTga(dir / "a.TGA", b);
  WriteBmp(dir / "b.Bmp", Bitmap(4, 2, 16, kMasks565));
  WriteBytes(dir / "c.png", EncodePng(1, 1, std::vector<std::uint8_t>{1, 2, 3, 4}));

  const Bitmap tga = LoadImageFile(dir / "a.TGA");
  EXPECT_EQ(tga.masks(), kMasks1555);
  EXPECT_EQ(tga.pixel(1, 1), 0xFC1Fu);
  EXPECT_EQ(LoadImageFile(dir / "b.Bmp").masks(), kMasks565);
  EXPECT_EQ(LoadImageFile(dir / "c.png").bitsPerPixel(), 32);

  EXPECT_EQ(ImageFormatForPath("x/y.VST"), ImageFormat::Targa);
  EXPECT_EQ(ImageFormatForPath("y.dib"), ImageFormat::Bmp);
  EXPECT_EQ(ImageFormatForPath("y.gif"), std::nullopt);
  EXPECT_EQ(ImageFormatForPath("png"), std::nullopt);
}

TEST(ImageFile, FailuresNameTheFile) {
  TempDir dir;
  const std::string missing = (dir / "none.tga").string();
  try {
    LoadImageFile(missing);
    ADD_FAILURE();
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing + ": No such file or directory");
  }

  WriteBytes(dir / "skin.gif", {1, 2, 3});
  WriteBytes(dir / "skin.tga", EncodePng(1, 1, std::vector<std::uint8_t>{1, 2, 3, 4}));  // a PNG in disguise
  for (const char* name : {"skin.gif", "skin.tga"}) {
    try {
      LoadImageFile(dir / name);
      ADD_FAILURE() << name;
    } catch (const ImageFileError& e) {
      EXPECT_EQ(e.file(), (dir / name).string());
      if (std::string(name) == "skin.gif") {
        EXPECT_EQ(e.fault(), "not an image file this program reads (.tga .vda .icb .vst .bmp .dib .png)");
      }
    }
  }
}

// Headers that claim pictures no skin can be: the size is known before any pixel is decoded,
// and decoding refuses them before it allocates.
TEST(ImageFile, HugePicturesAreKnownByTheirHeaderAndNeverDecoded) {
  TempDir dir;
  std::vector<std::uint8_t> png = EncodePng(1, 1, std::vector<std::uint8_t>{1, 2, 3, 4});
  for (std::size_t at : {16u, 20u}) {  // IHDR width and height, big-endian: 16384
    png[at] = 0;
    png[at + 1] = 0;
    png[at + 2] = 0x40;
    png[at + 3] = 0;
  }
  WriteBytes(dir / "bomb.png", png);
  // A run-length Targa of 65535 x 65535 whose one packet repeats a pixel 128 times.
  std::vector<std::uint8_t> tga = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 24, 0};
  tga.insert(tga.end(), {0xFF, 1, 2, 3});
  WriteBytes(dir / "bomb.tga", tga);
  Bitmap wide(2048, 2, 24);
  WriteBytes(dir / "bomb.bmp", EncodeBmp(wide));

  const struct {
    const char* file;
    int width, height;
  } cases[] = {{"bomb.png", 16384, 16384}, {"bomb.tga", 65535, 65535}, {"bomb.bmp", 2048, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const ImageFile picture(dir / c.file);
    EXPECT_EQ(picture.width(), c.width);
    EXPECT_EQ(picture.height(), c.height);
    try {
      picture.decode();
      ADD_FAILURE() << "decoded";
    } catch (const ImageFileError& e) {
      EXPECT_EQ(e.file(), (dir / c.file).string());
    }
  }
}

TEST(ImageFile, DialogFilterListsAllFormatsThenEach) {
  EXPECT_EQ(ImageDialogFilters(), (std::vector<std::string>{
                                      "All images (*.tga *.vda *.icb *.vst *.bmp *.dib *.png)",
                                      "Targa image (*.tga *.vda *.icb *.vst)",
                                      "Bitmap image (*.bmp *.dib)",
                                      "PNG image (*.png)",
                                  }));
  EXPECT_EQ(ImageDialogFilter().find(")"), ImageDialogFilter().find(");;"));
}

// The fuzzers start from pictures the readers accept (scripts/make-format-seeds.sh writes them).
TEST(ImageFile, FuzzSeedsArePicturesTheReadersAccept) {
  const std::filesystem::path corpus = std::filesystem::path(DRAVO_SOURCE_DIR) / "fuzz" / "corpus";
  int count = 0;
  for (const char* target : {"tga_fuzz", "bmp_fuzz", "png_fuzz"})
    for (const auto& entry : std::filesystem::directory_iterator(corpus / target)) {
      EXPECT_NO_THROW(LoadImageFile(entry.path())) << entry.path();
      ++count;
    }
  EXPECT_GT(count, 60);
}
