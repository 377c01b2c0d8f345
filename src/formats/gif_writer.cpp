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
  if (EGifPutScreenDesc(m_gif, width, height, 8, 0, nullptr) == GIF_ERROR) fail(m_gif->Error);
  m_row.resize(std::size_t(width));
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
  if (!m_gif)
    throw GifWriteError("Cannot write GIF file " + m_file.target().string() + ": the writer has failed");
  if (frame.width != m_width || frame.height != m_height ||
      frame.indices.size() != std::size_t(m_width) * std::size_t(m_height))
    throw std::invalid_argument("the frame's size is not the GIF's");
  if (frame.palette.empty() || frame.palette.size() > 256)
    throw std::invalid_argument("a GIF palette has 1 to 256 colours");
  if (delay < 0 || delay > 65535) throw std::invalid_argument("a GIF frame delay is 0 to 65535 hundredths");
  if (transparentIndex < -1 || transparentIndex >= int(frame.palette.size()))
    throw std::invalid_argument("the transparent index lies outside the palette");
  const std::size_t colours = frame.palette.size();
  if (std::any_of(frame.indices.begin(), frame.indices.end(), [&](std::uint8_t i) { return i >= colours; }))
    throw std::invalid_argument("an index lies outside the palette");

  // GIF colour tables come in powers of two; the unused end stays black.
  int tableSize = 2;
  while (std::size_t(tableSize) < colours)
    tableSize *= 2;
  std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(tableSize, nullptr));
  if (!map) fail(E_GIF_ERR_NOT_ENOUGH_MEM);
  for (int i = 0; i < tableSize; ++i) {
    GifColorType& c = map->Colors[i];
    const Rgb8 p = std::size_t(i) < colours ? frame.palette[std::size_t(i)] : Rgb8{};
    c.Red = p.r;
    c.Green = p.g;
    c.Blue = p.b;
  }

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
  control.DisposalMode = transparentIndex >= 0 ? DISPOSE_PREVIOUS : DISPOSAL_UNSPECIFIED;
  control.UserInputFlag = false;
  control.DelayTime = delay;
  control.TransparentColor = transparentIndex >= 0 ? transparentIndex : NO_TRANSPARENT_COLOR;
  GifByteType extension[4];
  const std::size_t length = EGifGCBToExtension(&control, extension);
  if (EGifPutExtension(m_gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_ERROR)
    fail(m_gif->Error);

  if (EGifPutImageDesc(m_gif, 0, 0, m_width, m_height, false, map.get()) == GIF_ERROR) fail(m_gif->Error);
  for (int y = 0; y < m_height; ++y) {
    // giflib masks the line it is given in place, so it gets a copy.
    std::memcpy(m_row.data(), frame.indices.data() + std::size_t(y) * std::size_t(m_width), m_row.size());
    if (EGifPutLine(m_gif, m_row.data(), m_width) == GIF_ERROR) fail(m_gif->Error);
  }
  ++m_frames;
}

void GifWriter::commit() {
  if (!m_gif)
    throw GifWriteError("Cannot write GIF file " + m_file.target().string() + ": the writer has failed");
  int code = 0;
  const int result = EGifCloseFile(m_gif, &code);
  m_gif = nullptr;
  if (result == GIF_ERROR || m_writeError) fail(code);
  m_file.commit();
}

}  // namespace dravo
