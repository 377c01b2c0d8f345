#include "formats/gif_export.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <unordered_map>

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
  std::ptrdiff_t see = -1;
  if (m_options.transparent) {
    see = CoverFrame(frame);
  } else {
    AreaScale32(frame, m_scaled.data(), s, s, std::ptrdiff_t(s) * 4);
  }
  ++m_frameCount;
  if (m_options.optimize) {
    m_kept.insert(m_kept.end(), m_scaled.begin(), m_scaled.end());
    m_sees.push_back(see);
    return;
  }
  if (!m_options.transparent) {
    m_writer.addFrame(QuantiseBgra(scaled), m_delay, -1);
    return;
  }
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
  if (m_frameCount == 0) throw std::invalid_argument("There are no frames to export");
  if (m_options.optimize) WriteOptimised();
  m_writer.commit();
}

namespace {

// A frame takes the shared palette when the pixels it draws come out at most this much worse with it
// than with a palette of the frame's own, or no further off than this mean squared error per channel,
// which no eye tells from exact (a dithered 256-colour GIF is off by tens).
constexpr double kSharedPaletteTolerance = 1.25;
constexpr double kUnseenMeanSquaredError = 1.0;

struct Box {
  int left = 0, top = 0, right = -1, bottom = -1;
  bool empty() const { return right < left; }
  void add(int x, int y) {
    if (empty()) {
      left = right = x;
      top = bottom = y;
      return;
    }
    left = std::min(left, x);
    right = std::max(right, x);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  }
};

}  // namespace

void GifExport::WriteOptimised() {
  const int s = m_options.size;
  const std::size_t area = std::size_t(s) * std::size_t(s);
  const bool clear = m_options.transparent;
  // One palette for the whole animation, made from the pixels the frames will draw (the first frame
  // whole, then what changes; over a cleared page, the models' pixels), with an entry left over for
  // see-through pixels. The background, most of every frame, would otherwise crowd out the models.
  std::ptrdiff_t keyPixel = -1;
  for (std::size_t f = 0; f < m_sees.size() && keyPixel < 0; ++f)
    if (m_sees[f] >= 0) keyPixel = std::ptrdiff_t(f * area) + m_sees[f];
  const auto same = [](const std::uint8_t* a, const std::uint8_t* b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
  };
  const std::uint8_t* key = keyPixel >= 0 ? &m_kept[std::size_t(keyPixel) * 4] : nullptr;
  std::vector<std::uint8_t> sample;
  if (key) sample.insert(sample.end(), key, key + 4);
  for (int f = 0; f < m_frameCount; ++f) {
    const std::uint8_t* frame = &m_kept[std::size_t(f) * area * 4];
    for (std::size_t i = 0; i < area; ++i) {
      const std::uint8_t* p = frame + i * 4;
      const bool drawn = clear ? !(key && same(p, key)) : (f == 0 || !same(p, p - area * 4));
      if (drawn) sample.insert(sample.end(), p, p + 4);
    }
  }
  // Whole rows for the quantiser: the last one repeats the first pixel, which only weighs it a little.
  const std::size_t width = std::size_t(s);
  while (sample.size() / 4 % width != 0)
    sample.insert(sample.end(), sample.begin(), sample.begin() + 4);
  QuantiserSettings together;
  together.maxColours = 255;
  together.exactPixel = key ? 0 : -1;
  const int rows = int(sample.size() / 4 / width);
  const std::vector<Rgb8> sharedPalette =
      QuantiseBgra(PixelView32{sample.data(), s, rows, std::ptrdiff_t(s) * 4}, together).palette;
  const int sharedKeyEntry = [&] {
    if (!key) return -1;
    for (std::size_t e = 0; e < sharedPalette.size(); ++e)
      if (sharedPalette[e] == Rgb8{key[2], key[1], key[0]}) return int(e);
    return -1;
  }();
  // Every pixel of every frame to its nearest shared entry; only the background's own colour takes
  // the background's entry.
  std::vector<std::uint8_t> sharedIndices(m_kept.size() / 4);
  std::unordered_map<std::uint32_t, std::uint8_t> nearest;
  for (std::size_t i = 0; i < sharedIndices.size(); ++i) {
    const std::uint8_t* p = &m_kept[i * 4];
    const std::uint32_t colour = std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    auto found = nearest.find(colour);
    if (found == nearest.end()) {
      int best = 0;
      long bestDistance = -1;
      const bool isKey = key && same(p, key);
      for (std::size_t e = 0; e < sharedPalette.size(); ++e) {
        if ((int(e) == sharedKeyEntry) != isKey && sharedKeyEntry >= 0) continue;
        const long r = sharedPalette[e].r - p[2], g = sharedPalette[e].g - p[1],
                   b = sharedPalette[e].b - p[0];
        const long distance = r * r + g * g + b * b;
        if (bestDistance < 0 || distance < bestDistance) {
          bestDistance = distance;
          best = int(e);
        }
      }
      found = nearest.emplace(colour, std::uint8_t(best)).first;
    }
    sharedIndices[i] = found->second;
  }
  const IndexedImage shared{s, s * m_frameCount, sharedPalette, std::move(sharedIndices)};
  std::vector<Rgb8> screen = shared.palette;
  const auto sharedSpare = std::uint8_t(screen.size());
  screen.push_back(Rgb8{});
  m_writer.setScreenPalette(screen);

  // What the page shows after each frame (opaque GIFs build on it).
  std::vector<Rgb8> shown(area);
  std::vector<Rgb8> now(area);
  std::vector<char> seeThrough(area);
  for (int f = 0; f < m_frameCount; ++f) {
    const PixelView32 view{&m_kept[std::size_t(f) * area * 4], s, s, std::ptrdiff_t(s) * 4};
    const std::ptrdiff_t see = m_sees[std::size_t(f)];
    const std::uint8_t* common = shared.indices.data() + std::size_t(f) * area;
    const int sharedKey = see >= 0 ? common[see] : -1;

    // The rectangle to draw, found with the shared palette: the models' pixels over a cleared page,
    // or what changed on an opaque one.
    Box box;
    for (int y = 0; y < s; ++y)
      for (int x = 0; x < s; ++x) {
        const std::size_t i = std::size_t(y) * std::size_t(s) + std::size_t(x);
        const bool draw =
            clear ? common[i] != sharedKey : (f == 0 || !(shared.palette[common[i]] == shown[i]));
        if (draw) box.add(x, y);
      }
    if (box.empty()) box.add(0, 0);  // nothing to draw: one see-through pixel keeps the frame's time

    // Inside it, the shared palette serves unless the frame's own palette (what an export without
    // optimising writes) does clearly better there.
    QuantiserSettings alone;
    alone.maxColours = 255;
    alone.exactPixel = see;
    IndexedImage own = QuantiseBgra(view, alone);
    double sharedError = 0, ownError = 0;
    for (int y = box.top; y <= box.bottom; ++y)
      for (int x = box.left; x <= box.right; ++x) {
        const std::size_t i = std::size_t(y) * std::size_t(s) + std::size_t(x);
        const std::uint8_t* p = view.pixels + y * view.pitch + x * 4;
        const auto squares = [&](const Rgb8& c) {
          const int r = c.r - p[2], g = c.g - p[1], b = c.b - p[0];
          return double(r * r + g * g + b * b);
        };
        sharedError += squares(shared.palette[common[i]]);
        ownError += squares(own.palette[own.indices[i]]);
      }
    const double drawnChannels = 3.0 * (box.right - box.left + 1) * (box.bottom - box.top + 1);
    const bool useShared =
        sharedError <= std::max(ownError * kSharedPaletteTolerance, kUnseenMeanSquaredError * drawnChannels);
    const std::vector<Rgb8>& palette = useShared ? shared.palette : own.palette;
    const std::uint8_t* indices = useShared ? common : own.indices.data();
    const std::uint8_t spare = useShared ? sharedSpare : std::uint8_t(own.palette.size());
    const int key = see >= 0 ? indices[see] : -1;
    for (std::size_t i = 0; i < area; ++i) {
      seeThrough[i] = clear && indices[i] == key;
      now[i] = palette[indices[i]];
    }
    IndexedImage crop;
    crop.width = box.right - box.left + 1;
    crop.height = box.bottom - box.top + 1;
    crop.indices.resize(std::size_t(crop.width) * std::size_t(crop.height));
    for (int y = box.top; y <= box.bottom; ++y)
      for (int x = box.left; x <= box.right; ++x) {
        const std::size_t i = std::size_t(y) * std::size_t(s) + std::size_t(x);
        const bool same = clear ? seeThrough[i] : (f > 0 && now[i] == shown[i]);
        crop.indices[std::size_t(y - box.top) * std::size_t(crop.width) + std::size_t(x - box.left)] =
            same ? spare : indices[i];
        if (!clear && !same) shown[i] = now[i];
      }
    std::uint8_t clearIndex = spare;
    if (!useShared) {
      // A table of just the colours the rectangle uses: a small rectangle takes a small table.
      std::array<int, 256> entry;
      entry.fill(-1);
      for (std::uint8_t& index : crop.indices) {
        if (index == spare) continue;
        if (entry[index] < 0) {
          entry[index] = int(crop.palette.size());
          crop.palette.push_back(own.palette[index]);
        }
        index = std::uint8_t(entry[index]);
      }
      clearIndex = std::uint8_t(crop.palette.size());
      crop.palette.push_back(Rgb8{});
      for (std::uint8_t& index : crop.indices)
        if (index == spare) index = clearIndex;
    }
    GifFramePlacement placement;
    placement.left = box.left;
    placement.top = box.top;
    // Over a cleared page each frame stands alone; an opaque page keeps what the frame left.
    placement.disposal = clear ? 3 : 1;
    placement.screenPalette = useShared;
    m_writer.addFrame(crop, m_delay, clearIndex, placement);
  }
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
