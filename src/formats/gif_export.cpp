#include "formats/gif_export.h"

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
  AreaScale32(frame, m_scaled.data(), s, s, std::ptrdiff_t(s) * 4);
  const PixelView32 scaled{m_scaled.data(), s, s, std::ptrdiff_t(s) * 4};
  QuantiserSettings settings;
  if (m_options.transparent) settings.exactPixel = std::ptrdiff_t(s - 1) * s;
  const IndexedImage image = QuantiseBgra(scaled, settings);
  m_writer.addFrame(image, m_delay, m_options.transparent ? image.at(0, s - 1) : -1);
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
