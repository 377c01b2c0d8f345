#include "formats/gif_export.h"

#include <algorithm>
#include <stdexcept>

#include "core/text.h"

namespace dravo {

namespace {

std::string RangeMessage(const char* field, int low, int high) {
  return "Value in " + std::string(field) + " must be between " + std::to_string(low) + " and " +
         std::to_string(high);
}

const GifOptions& Checked(const GifOptions& options) {
  const std::string error = GifOptionsError(options);
  if (!error.empty()) throw std::invalid_argument(error);
  return options;
}

}  // namespace

std::string GifOptionsError(const GifOptions& options) {
  if (options.size < kGifMinSize || options.size > kGifMaxSize)
    return RangeMessage("GIFSize", kGifMinSize, kGifMaxSize);
  if (options.framesPerSecond < kMinFramesPerSecond || options.framesPerSecond > kMaxFramesPerSecond)
    return RangeMessage("FrameRateEdit", kMinFramesPerSecond, kMaxFramesPerSecond);
  return {};
}

int PlaybackIntervalMs(int framesPerSecond) {
  if (framesPerSecond < 1)
    throw std::invalid_argument(RangeMessage("FrameRateEdit", kMinFramesPerSecond, kMaxFramesPerSecond));
  const int whole = 1000 / framesPerSecond;
  const int twice = 2 * (1000 % framesPerSecond);
  if (twice > framesPerSecond || (twice == framesPerSecond && whole % 2 == 1)) return whole + 1;
  return whole;
}

int GifFrameDelay(int framesPerSecond) {
  return PlaybackIntervalMs(framesPerSecond) / 10;
}

std::filesystem::path GifFileName(const std::filesystem::path& chosen) {
  const std::string name = chosen.string();
  if (SameTextAZ(ExtractFileExt(name), ".gif")) return chosen;
  return ChangeFileExt(name, ".gif");
}

GifExport::GifExport(const std::filesystem::path& chosen, const GifOptions& options)
    : m_options(Checked(options)),
      m_delay(GifFrameDelay(options.framesPerSecond)),
      m_scaled(std::size_t(options.size) * std::size_t(options.size) * 4),
      m_writer(GifFileName(chosen), options.size, options.size) {}

void GifExport::AddFrame(const PixelView32& frame) {
  const int s = m_options.size;
  const PixelView32 scaled{m_scaled.data(), s, s, std::ptrdiff_t(s) * 4};
  if (!m_options.transparent) {
    AreaScale32(frame, m_scaled.data(), s, s, std::ptrdiff_t(s) * 4);
    m_writer.addFrame(QuantiseBgra(scaled), m_delay, -1);
    return;
  }
  const std::ptrdiff_t see = CoverFrame(frame);
  QuantiserSettings settings;
  settings.exactPixel = see;
  const IndexedImage image = QuantiseBgra(scaled, settings);
  m_writer.addFrame(image, m_delay, see >= 0 ? image.indices[std::size_t(see)] : -1);
}

std::ptrdiff_t GifExport::CoverFrame(const PixelView32& frame) {
  if (!frame.pixels || frame.width < 1 || frame.height < 1) throw std::invalid_argument("The frame is empty");
  // The background is the bottom-left pixel's colour. Each pixel of the frame is either the models'
  // or the background's; scaled down, a pixel's share of the models' pixels is its coverage, and
  // its colour is theirs alone (premultiplied, then divided), so no edge takes on the background.
  const std::uint8_t* corner = frame.pixels + std::ptrdiff_t(frame.height - 1) * frame.pitch;
  const std::uint8_t key[3] = {corner[0], corner[1], corner[2]};
  m_covered.resize(std::size_t(frame.width) * std::size_t(frame.height) * 4);
  std::uint8_t* out = m_covered.data();
  for (int y = 0; y < frame.height; ++y) {
    const std::uint8_t* in = frame.pixels + std::ptrdiff_t(y) * frame.pitch;
    for (int x = 0; x < frame.width; ++x, in += 4, out += 4) {
      const bool background = in[0] == key[0] && in[1] == key[1] && in[2] == key[2];
      out[0] = background ? 0 : in[0];
      out[1] = background ? 0 : in[1];
      out[2] = background ? 0 : in[2];
      out[3] = background ? 0 : 255;
    }
  }
  const int s = m_options.size;
  AreaScale32(PixelView32{m_covered.data(), frame.width, frame.height, std::ptrdiff_t(frame.width) * 4},
              m_scaled.data(), s, s, std::ptrdiff_t(s) * 4);
  std::ptrdiff_t see = -1;
  for (std::ptrdiff_t i = 0; i < std::ptrdiff_t(s) * s; ++i) {
    std::uint8_t* p = &m_scaled[std::size_t(i) * 4];
    const int alpha = p[3];
    if (alpha < kGifShownCoverage) {
      // Hardly covered: see-through, in the background's exact colour.
      std::copy(key, key + 3, p);
      if (see < 0) see = i;
    } else {
      for (int c = 0; c < 3; ++c)
        p[c] = static_cast<std::uint8_t>(std::min(255, (p[c] * 255 + alpha / 2) / alpha));
      // A covered pixel that comes out in the background's colour must not vanish with it.
      if (p[0] == key[0] && p[1] == key[1] && p[2] == key[2]) p[0] ^= 1;
    }
    p[3] = 255;
  }
  return see;
}

void GifExport::Finish() {
  if (m_writer.frameCount() == 0) throw std::invalid_argument("There are no frames to export");
  m_writer.commit();
}

bool ExportGif(const std::filesystem::path& chosen, const GifOptions& options, int frameCount,
               const GifFrameSource& render, const GifProgress& progress) {
  Checked(options);
  if (frameCount < 1) throw std::invalid_argument("There are no frames to export");
  if (progress && !progress(0, frameCount)) return false;
  GifExport gif(chosen, options);
  for (int f = 0; f < frameCount; ++f) {
    gif.AddFrame(render(f));
    if (progress && !progress(f + 1, frameCount)) return false;
  }
  gif.Finish();
  return true;
}

}  // namespace dravo
