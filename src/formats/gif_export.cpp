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

// A frame takes the shared palette while what it shows over the rectangle it draws lies within this
// mean squared error per channel of the frame (a root mean square of two levels of 255, which no eye
// tells from exact; a dithered 256-colour GIF is off by tens). Past it, its own palette where that
// does better.
constexpr double kSharedPaletteBound = kGifOptimizedErrorBound;

struct Box {
  int left = 0, top = 0, right = -1, bottom = -1;
  bool empty() const { return right < left; }
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
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

// Squared distance of a palette colour from a blue-green-red pixel.
int Distance(const Rgb8& c, const std::uint8_t* p) {
  return (c.r - p[2]) * (c.r - p[2]) + (c.g - p[1]) * (c.g - p[1]) + (c.b - p[0]) * (c.b - p[0]);
}

// One way to write a frame's rectangle: its indices, palette (empty for the screen's), see-through
// index, and the squared error of what it shows there.
struct FrameChoice {
  Box box;
  IndexedImage crop;
  int clearIndex = 0;
  bool screenPalette = false;
  double squares = 0;
  double meanSquared() const { return squares / (3.0 * box.width() * box.height()); }
};

}  // namespace

void GifExport::WriteOptimised() {
  const int s = m_options.size;
  const std::size_t area = std::size_t(s) * std::size_t(s);
  const std::size_t width = std::size_t(s);
  const bool clear = m_options.transparent;
  const auto same = [](const std::uint8_t* a, const std::uint8_t* b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
  };
  // A transparent export's see-through pixels have the background's exact colour, which no shown pixel has.
  std::ptrdiff_t keyPixel = -1;
  for (std::size_t f = 0; f < m_sees.size() && keyPixel < 0; ++f)
    if (m_sees[f] >= 0) keyPixel = std::ptrdiff_t(f * area) + m_sees[f];
  const std::uint8_t* key = keyPixel >= 0 ? &m_kept[std::size_t(keyPixel) * 4] : nullptr;
  const auto seeThrough = [&](const std::uint8_t* p) { return key && same(p, key); };

  // One palette for the whole animation from every pixel the frames show, each counted in every frame
  // that shows it: a part that stands still is seen as often as its frames, and the error is measured
  // over everything seen. See-through pixels take no colour; the last index is kept for them.
  const std::size_t pixels = m_kept.size() / 4;
  const auto colourOf = [](const std::uint8_t* p) {
    return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
  };
  std::unordered_map<std::uint32_t, std::uint32_t> placeOf;  // colour to its place in the lists below
  std::vector<std::uint32_t> colours, counts;
  std::vector<std::uint32_t> places(pixels);  // each pixel's colour's place; see-through ones unused
  std::uint32_t lastColour = 0xFFFFFFFFu, lastPlace = 0;
  for (std::size_t i = 0; i < pixels; ++i) {
    const std::uint8_t* p = &m_kept[i * 4];
    if (seeThrough(p)) continue;
    // Frames are mostly runs of one colour.
    if (colourOf(p) != lastColour) {
      lastColour = colourOf(p);
      const auto [place, added] = placeOf.emplace(lastColour, std::uint32_t(colours.size()));
      if (added) {
        colours.push_back(lastColour);
        counts.push_back(0);
      }
      lastPlace = place->second;
    }
    ++counts[lastPlace];
    places[i] = lastPlace;
  }
  QuantiserSettings together;
  together.maxColours = 255;
  std::vector<Rgb8> screen =
      colours.empty() ? std::vector<Rgb8>{} : QuantiseColours(colours, counts, together);
  const auto sharedSpare = std::uint8_t(screen.size());
  screen.push_back(Rgb8{});
  m_writer.setScreenPalette(screen);

  // Every colour to its nearest shared entry, then every pixel of every frame to its colour's entry,
  // see-through pixels to the spare one.
  std::vector<std::uint8_t> entryOf(colours.size());
  for (std::size_t u = 0; u < colours.size(); ++u) {
    const int r = int(colours[u] >> 16), g = int(colours[u] >> 8 & 0xFF), b = int(colours[u] & 0xFF);
    int best = 0, bestDistance = -1;
    for (int e = 0; e < sharedSpare; ++e) {
      const Rgb8 c = screen[std::size_t(e)];
      const int distance = (c.r - r) * (c.r - r) + (c.g - g) * (c.g - g) + (c.b - b) * (c.b - b);
      if (bestDistance < 0 || distance < bestDistance) {
        bestDistance = distance;
        best = e;
      }
    }
    entryOf[u] = std::uint8_t(best);
  }
  std::vector<std::uint8_t> shared(pixels);
  for (std::size_t i = 0; i < pixels; ++i) {
    const std::uint8_t* p = &m_kept[i * 4];
    shared[i] = seeThrough(p) ? sharedSpare : entryOf[places[i]];
  }

  // What the page shows after each frame and its disposal: a colour, or nothing (see-through).
  std::vector<Rgb8> shown(area);
  std::vector<char> pageEmpty(area, 1);
  std::vector<char> draw(area);
  for (int f = 0; f < m_frameCount; ++f) {
    const std::uint8_t* truth = &m_kept[std::size_t(f) * area * 4];
    const std::uint8_t* before = f > 0 ? truth - area * 4 : nullptr;
    // The frame after this one, or the first when the animation starts again.
    const std::uint8_t* after = f + 1 < m_frameCount ? truth + area * 4 : nullptr;
    const std::ptrdiff_t see = m_sees[std::size_t(f)];

    // Shown pixels that the next frame has see-through must be cleared when this frame is disposed of,
    // which clears its whole rectangle: the rectangle takes them in. After the last frame, everything.
    bool clears = false;
    Box cleared;
    for (int y = 0; y < s; ++y)
      for (int x = 0; x < s; ++x) {
        const std::size_t i = std::size_t(y) * width + std::size_t(x);
        if (clear && !seeThrough(truth + i * 4) && (!after || seeThrough(after + i * 4))) {
          clears = true;
          cleared.add(x, y);
        }
      }

    // The frame written with a palette and its indices. It draws the shown pixels the page does not
    // show yet, and those whose colour changed since the last frame when the new entry shows other
    // than the page: a pixel that did not change keeps what an earlier frame chose for it. The pixels
    // it leaves take the spare index (the index before them, where it shows the same, codes no shorter
    // on rendered frames).
    const auto choose = [&](const std::vector<Rgb8>& palette, const std::uint8_t* indices,
                            bool screenPalette) {
      Box box = cleared;
      for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
          const std::size_t i = std::size_t(y) * width + std::size_t(x);
          const std::uint8_t* p = truth + i * 4;
          // A changed pixel whose page colour lies no further from it than its new entry stays too.
          draw[i] = !seeThrough(p) &&
                    (pageEmpty[i] ||
                     (!same(p, before + i * 4) && Distance(shown[i], p) > Distance(palette[indices[i]], p)));
          if (draw[i]) box.add(x, y);
        }
      if (box.empty()) box.add(0, 0);  // nothing to draw: one see-through pixel keeps the frame's time
      const auto spare = std::uint8_t(screenPalette ? sharedSpare : palette.size());
      FrameChoice c;
      c.box = box;
      c.screenPalette = screenPalette;
      c.crop.width = box.width();
      c.crop.height = box.height();
      c.crop.indices.resize(std::size_t(c.crop.width) * std::size_t(c.crop.height));
      std::size_t n = 0;
      for (int y = box.top; y <= box.bottom; ++y)
        for (int x = box.left; x <= box.right; ++x, ++n) {
          const std::size_t i = std::size_t(y) * width + std::size_t(x);
          c.crop.indices[n] = draw[i] ? indices[i] : spare;
          const std::uint8_t* p = truth + i * 4;
          if (seeThrough(p)) continue;  // see-through, exactly
          c.squares += Distance(draw[i] ? palette[indices[i]] : shown[i], p);
        }
      c.clearIndex = spare;
      if (!screenPalette) {
        // A table of just the colours the rectangle uses: a small rectangle takes a small table.
        std::array<int, 256> entry;
        entry.fill(-1);
        for (std::uint8_t& index : c.crop.indices) {
          if (index == spare) continue;
          if (entry[index] < 0) {
            entry[index] = int(c.crop.palette.size());
            c.crop.palette.push_back(palette[index]);
          }
          index = std::uint8_t(entry[index]);
        }
        c.clearIndex = int(c.crop.palette.size());
        c.crop.palette.push_back(Rgb8{});
        for (std::uint8_t& index : c.crop.indices)
          if (index == spare) index = std::uint8_t(c.clearIndex);
      }
      return c;
    };
    FrameChoice withShared = choose(screen, shared.data() + std::size_t(f) * area, true);

    // The frame's own palette (what an export without optimising writes) only where the shared one strays
    // past the bound and the own does better: one table for every colour is what other programs expect
    // (gifsicle undoes the optimisation of no other file).
    FrameChoice withOwn;
    if (withShared.meanSquared() > kSharedPaletteBound) {
      QuantiserSettings alone;
      alone.maxColours = 255;
      alone.exactPixel = see;
      const IndexedImage own = QuantiseBgra(PixelView32{truth, s, s, std::ptrdiff_t(s) * 4}, alone);
      withOwn = choose(own.palette, own.indices.data(), false);
    }
    const bool sharedServes =
        withOwn.crop.indices.empty() || withShared.meanSquared() <= withOwn.meanSquared();
    const FrameChoice& chosen = sharedServes ? withShared : withOwn;

    const Box& box = chosen.box;
    const std::vector<Rgb8>& palette = chosen.screenPalette ? screen : chosen.crop.palette;
    std::size_t n = 0;
    for (int y = box.top; y <= box.bottom; ++y)
      for (int x = box.left; x <= box.right; ++x, ++n) {
        const std::size_t i = std::size_t(y) * width + std::size_t(x);
        if (chosen.crop.indices[n] != chosen.clearIndex) {
          shown[i] = palette[chosen.crop.indices[n]];
          pageEmpty[i] = 0;
        }
        if (clears) pageEmpty[i] = 1;
      }
    GifFramePlacement placement;
    placement.left = box.left;
    placement.top = box.top;
    // Left on the page for the next frame to build on, unless some of it must be cleared.
    placement.disposal = clears ? 2 : 1;
    placement.screenPalette = chosen.screenPalette;
    m_writer.addFrame(chosen.crop, m_delay, chosen.clearIndex, placement);
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
