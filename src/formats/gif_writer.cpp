#include "formats/gif_writer.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace dravo {

namespace {

struct MapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

std::string GifReason(int code) {
  const char* text = GifErrorString(code);
  return text ? text : "GIF error " + std::to_string(code);
}

}  // namespace

GifWriter::GifWriter(std::filesystem::path target, int width, int height)
    : m_file(std::move(target)), m_width(width), m_height(height) {
  if (width < 1 || height < 1 || width > 65535 || height > 65535)
    throw std::invalid_argument("a GIF is 1 to 65535 pixels wide and high");
  int code = 0;
  m_gif = EGifOpen(this, &GifWriter::Output, &code);
  if (!m_gif) fail(code);
  // Written block by block, giflib cannot see the extensions to come when it writes the header.
  EGifSetGifVersion(m_gif, true);
  m_row.resize(std::size_t(width));
}

namespace {

// GIF colour tables come in powers of two; the unused end stays black.
std::unique_ptr<ColorMapObject, MapDeleter> ColourTable(const std::vector<Rgb8>& palette) {
  int tableSize = 2;
  while (std::size_t(tableSize) < palette.size())
    tableSize *= 2;
  std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(tableSize, nullptr));
  if (!map) return map;
  for (int i = 0; i < tableSize; ++i) {
    GifColorType& c = map->Colors[i];
    const Rgb8 p = std::size_t(i) < palette.size() ? palette[std::size_t(i)] : Rgb8{};
    c.Red = p.r;
    c.Green = p.g;
    c.Blue = p.b;
  }
  return map;
}

}  // namespace

void GifWriter::setScreenPalette(const std::vector<Rgb8>& palette) {
  if (m_screenWritten) throw std::invalid_argument("the screen palette comes before the first frame");
  if (palette.empty() || palette.size() > 256)
    throw std::invalid_argument("a GIF palette has 1 to 256 colours");
  m_screenPalette = palette;
}

void GifWriter::writeScreen() {
  if (m_screenWritten) return;
  std::unique_ptr<ColorMapObject, MapDeleter> map;
  if (!m_screenPalette.empty()) {
    map = ColourTable(m_screenPalette);
    if (!map) fail(E_GIF_ERR_NOT_ENOUGH_MEM);
  }
  if (EGifPutScreenDesc(m_gif, m_width, m_height, 8, 0, map.get()) == GIF_ERROR) fail(m_gif->Error);
  m_screenWritten = true;
}

GifWriter::~GifWriter() {
  if (m_gif) {
    // Only to free giflib's state; the temporary file goes with m_file.
    m_failed = true;
    int code = 0;
    EGifCloseFile(m_gif, &code);
  }
}

int GifWriter::Output(GifFileType* gif, const unsigned char* bytes, int length) {
  auto* self = static_cast<GifWriter*>(gif->UserData);
  if (self->m_failed || length < 0) return 0;
  try {
    self->m_file.write(bytes, std::size_t(length));
    return length;
  } catch (...) {
    // giflib is C: keep the error and report a short write instead of unwinding through it.
    self->m_writeError = std::current_exception();
    self->m_failed = true;
    return 0;
  }
}

void GifWriter::fail(int code) {
  m_failed = true;
  if (m_gif) {
    int ignored = 0;
    EGifCloseFile(m_gif, &ignored);
    m_gif = nullptr;
  }
  if (m_writeError) std::rethrow_exception(m_writeError);
  throw GifWriteError("Cannot write GIF file " + m_file.target().string() + ": " + GifReason(code));
}

void GifWriter::addFrame(const IndexedImage& frame, int delay, int transparentIndex) {
  if (frame.width != m_width || frame.height != m_height)
    throw std::invalid_argument("the frame's size is not the GIF's");
  GifFramePlacement whole;
  whole.disposal = transparentIndex >= 0 ? DISPOSE_PREVIOUS : DISPOSAL_UNSPECIFIED;
  addFrame(frame, delay, transparentIndex, whole);
}

void GifWriter::addFrame(const IndexedImage& frame, int delay, int transparentIndex,
                         const GifFramePlacement& placement) {
  if (!m_gif)
    throw GifWriteError("Cannot write GIF file " + m_file.target().string() + ": the writer has failed");
  if (frame.width < 1 || frame.height < 1 || placement.left < 0 || placement.top < 0 ||
      placement.left + frame.width > m_width || placement.top + frame.height > m_height ||
      frame.indices.size() != std::size_t(frame.width) * std::size_t(frame.height))
    throw std::invalid_argument("the frame does not lie inside the GIF");
  const std::vector<Rgb8>& palette = placement.screenPalette ? m_screenPalette : frame.palette;
  if (palette.empty() || palette.size() > 256)
    throw std::invalid_argument("a GIF palette has 1 to 256 colours");
  if (delay < 0 || delay > 65535) throw std::invalid_argument("a GIF frame delay is 0 to 65535 hundredths");
  if (placement.disposal < 0 || placement.disposal > 3)
    throw std::invalid_argument("a GIF disposal is 0 to 3");
  if (transparentIndex < -1 || transparentIndex >= int(palette.size()))
    throw std::invalid_argument("the transparent index lies outside the palette");
  const std::size_t colours = palette.size();
  if (std::any_of(frame.indices.begin(), frame.indices.end(), [&](std::uint8_t i) { return i >= colours; }))
    throw std::invalid_argument("an index lies outside the palette");

  std::unique_ptr<ColorMapObject, MapDeleter> map;
  if (!placement.screenPalette) {
    map = ColourTable(frame.palette);
    if (!map) fail(E_GIF_ERR_NOT_ENOUGH_MEM);
  }
  writeScreen();
  if (m_frames == 0) {
    static const unsigned char kApplication[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    unsigned char loop[] = {1, 0, 0};  // sub-block 1: loop count 0, for ever
    if (EGifPutExtensionLeader(m_gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(m_gif, sizeof kApplication, kApplication) == GIF_ERROR ||
        EGifPutExtensionBlock(m_gif, sizeof loop, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(m_gif) == GIF_ERROR)
      fail(m_gif->Error);
  }

  GraphicsControlBlock control{};
  control.DisposalMode = placement.disposal;
  control.UserInputFlag = false;
  control.DelayTime = delay;
  control.TransparentColor = transparentIndex >= 0 ? transparentIndex : NO_TRANSPARENT_COLOR;
  GifByteType extension[4];
  const std::size_t length = EGifGCBToExtension(&control, extension);
  if (EGifPutExtension(m_gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_ERROR)
    fail(m_gif->Error);

  // giflib forgets, without freeing, the previous frame's table when a frame brings none.
  if (!map && m_gif->Image.ColorMap) {
    GifFreeMapObject(m_gif->Image.ColorMap);
    m_gif->Image.ColorMap = nullptr;
  }
  if (EGifPutImageDesc(m_gif, placement.left, placement.top, frame.width, frame.height, false, map.get()) ==
      GIF_ERROR)
    fail(m_gif->Error);
  for (int y = 0; y < frame.height; ++y) {
    // giflib masks the line it is given in place, so it gets a copy.
    std::memcpy(m_row.data(), frame.indices.data() + std::size_t(y) * std::size_t(frame.width),
                std::size_t(frame.width));
    if (EGifPutLine(m_gif, m_row.data(), frame.width) == GIF_ERROR) fail(m_gif->Error);
  }
  ++m_frames;
}

void GifWriter::commit() {
  if (!m_gif)
    throw GifWriteError("Cannot write GIF file " + m_file.target().string() + ": the writer has failed");
  writeScreen();
  int code = 0;
  const int result = EGifCloseFile(m_gif, &code);
  m_gif = nullptr;
  if (result == GIF_ERROR || m_writeError) fail(code);
  m_file.commit();
}

}  // namespace dravo
