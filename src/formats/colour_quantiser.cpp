#include "formats/colour_quantiser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace dravo {

namespace {

constexpr std::uint32_t Key(const std::uint8_t* bgra) {
  return (std::uint32_t(bgra[2]) << 16) | (std::uint32_t(bgra[1]) << 8) | bgra[0];
}
constexpr int KeyR(std::uint32_t k) {
  return int(k >> 16);
}
constexpr int KeyG(std::uint32_t k) {
  return int((k >> 8) & 0xFF);
}
constexpr int KeyB(std::uint32_t k) {
  return int(k & 0xFF);
}

// ---- The picture's distinct colours and how many pixels have each ----

struct Histogram {
  std::vector<std::uint32_t> colour;  // 0xRRGGBB
  std::vector<std::uint32_t> count;
  std::vector<std::uint32_t> ofPixel;  // per pixel: its colour's place in the lists above
};

Histogram CountColours(const PixelView32& picture) {
  const std::size_t pixels = std::size_t(picture.width) * std::size_t(picture.height);
  // Twice as many slots as colours can be, and there are no more than 2^24 colours.
  std::size_t slots = 1024;
  while (slots < pixels * 2 && slots < (std::size_t(1) << 25))
    slots *= 2;
  int shift = 32;
  for (std::size_t s = slots; s > 1; s >>= 1)
    --shift;
  constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  std::vector<std::uint32_t> keys(slots, kEmpty);
  std::vector<std::uint32_t> places(slots);

  Histogram h;
  h.ofPixel.resize(pixels);
  std::uint32_t lastKey = kEmpty;
  std::uint32_t lastPlace = 0;
  std::size_t p = 0;
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = picture.pixels + std::ptrdiff_t(y) * picture.pitch;
    for (int x = 0; x < picture.width; ++x, ++p) {
      const std::uint32_t key = Key(row + 4 * x);
      // Rendered frames are mostly runs of one colour (the background).
      if (key != lastKey) {
        std::size_t slot = (key * 0x9E3779B1u) >> shift;
        while (keys[slot] != key && keys[slot] != kEmpty)
          slot = (slot + 1) & (slots - 1);
        if (keys[slot] == kEmpty) {
          keys[slot] = key;
          places[slot] = static_cast<std::uint32_t>(h.colour.size());
          h.colour.push_back(key);
          h.count.push_back(0);
        }
        lastKey = key;
        lastPlace = places[slot];
      }
      ++h.count[lastPlace];
      h.ofPixel[p] = lastPlace;
    }
  }
  return h;
}

// ---- Nearest palette entry ----

// A k-d tree over the palette: each node splits its entries at the median of the channel in which they
// spread most, and a search skips a side whose splitting plane lies no nearer than the best found. On
// rendered frames, whose palettes crowd around a few hues, it beats a grid of cells with candidate lists;
// on colourful pictures it visits more nodes, still well within the time of the reference quantisers.
// A guess (the entry a colour took last time) is accepted outright when the colour lies within half the
// distance from that entry to its nearest neighbour, which no other entry can then beat; otherwise it
// starts the search with its distance as the bound.
class NearestColour {
 public:
  void build(const std::vector<std::array<int, 3>>& palette) {
    const std::size_t n = palette.size();
    m_palette = palette;
    m_nodes.resize(n);
    for (std::size_t i = 0; i < n; ++i)
      m_nodes[i] = {{palette[i][0], palette[i][1], palette[i][2]}, int(i), 0};
    split(0, n);
    m_nearestOther.assign(n, std::numeric_limits<int>::max());
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = i + 1; j < n; ++j) {
        const int d = Distance(palette[i], palette[j][0], palette[j][1], palette[j][2]);
        m_nearestOther[i] = std::min(m_nearestOther[i], d);
        m_nearestOther[j] = std::min(m_nearestOther[j], d);
      }
  }

  // The index of the entry nearest to (r, g, b), and its squared distance.
  int find(int r, int g, int b, int guess, int& distance) const {
    Search s{{r, g, b}, std::numeric_limits<int>::max(), 0};
    if (guess >= 0) {
      s.best = Distance(m_palette[std::size_t(guess)], r, g, b);
      s.index = guess;
      // |q - c| <= |c - c'| / 2 for every other c' means nothing is nearer than c.
      if (std::int64_t(s.best) * 4 <= m_nearestOther[std::size_t(guess)]) {
        distance = s.best;
        return guess;
      }
    }
    descend(0, m_nodes.size(), s);
    distance = s.best;
    return s.index;
  }

 private:
  struct Node {
    int c[3];
    int index;
    int axis;
  };
  struct Search {
    int q[3];
    int best;
    int index;
  };

  static int Distance(const std::array<int, 3>& c, int r, int g, int b) {
    return (c[0] - r) * (c[0] - r) + (c[1] - g) * (c[1] - g) + (c[2] - b) * (c[2] - b);
  }

  // The node of the range [begin, end) sits in its middle, its two sides before and after it.
  void split(std::size_t begin, std::size_t end) {
    if (end - begin < 2) return;
    int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
    for (std::size_t i = begin; i < end; ++i)
      for (int k = 0; k < 3; ++k) {
        low[k] = std::min(low[k], m_nodes[i].c[k]);
        high[k] = std::max(high[k], m_nodes[i].c[k]);
      }
    int axis = 0;
    for (int k = 1; k < 3; ++k)
      if (high[k] - low[k] > high[axis] - low[axis]) axis = k;
    const std::size_t middle = begin + (end - begin) / 2;
    std::nth_element(m_nodes.begin() + std::ptrdiff_t(begin), m_nodes.begin() + std::ptrdiff_t(middle),
                     m_nodes.begin() + std::ptrdiff_t(end),
                     [axis](const Node& a, const Node& b) { return a.c[axis] < b.c[axis]; });
    m_nodes[middle].axis = axis;
    split(begin, middle);
    split(middle + 1, end);
  }

  void descend(std::size_t begin, std::size_t end, Search& s) const {
    if (begin >= end) return;
    const std::size_t middle = begin + (end - begin) / 2;
    const Node& node = m_nodes[middle];
    const int d = (node.c[0] - s.q[0]) * (node.c[0] - s.q[0]) + (node.c[1] - s.q[1]) * (node.c[1] - s.q[1]) +
                  (node.c[2] - s.q[2]) * (node.c[2] - s.q[2]);
    if (d < s.best) {
      s.best = d;
      s.index = node.index;
    }
    if (end - begin == 1) return;
    const int across = s.q[node.axis] - node.c[node.axis];
    if (across < 0) {
      descend(begin, middle, s);
      if (across * across < s.best) descend(middle + 1, end, s);
    } else {
      descend(middle + 1, end, s);
      if (across * across < s.best) descend(begin, middle, s);
    }
  }

  std::vector<std::array<int, 3>> m_palette;
  std::vector<Node> m_nodes;
  std::vector<int> m_nearestOther;  // squared distance from each entry to its nearest other entry
};

// ---- Wu's quantiser: boxes of a 32-level-per-channel histogram split where the error drops most ----

class WuBoxes {
 public:
  static constexpr int kSide = 33;  // 32 levels and the zero border of the cumulative moments

  // Colours with their weights; `skip` is a place in the lists not to count (or -1).
  WuBoxes(const Histogram& h, std::ptrdiff_t skip) {
    const std::size_t cells = std::size_t(kSide) * kSide * kSide;
    m_w.assign(cells, 0);
    m_r.assign(cells, 0);
    m_g.assign(cells, 0);
    m_b.assign(cells, 0);
    m_m2.assign(cells, 0.0);
    for (std::size_t u = 0; u < h.colour.size(); ++u) {
      if (std::ptrdiff_t(u) == skip) continue;
      const std::uint32_t k = h.colour[u];
      const int r = KeyR(k), g = KeyG(k), b = KeyB(k);
      const std::size_t i = At((r >> 3) + 1, (g >> 3) + 1, (b >> 3) + 1);
      const std::int64_t w = h.count[u];
      m_w[i] += w;
      m_r[i] += w * r;
      m_g[i] += w * g;
      m_b[i] += w * b;
      m_m2[i] += double(w) * double(r * r + g * g + b * b);
    }
    Accumulate();
  }

  // At most `wanted` boxes; fewer when no box can be split further. Each gives the mean colour of the
  // colours inside it.
  std::vector<std::array<double, 3>> Split(int wanted) {
    std::vector<Box> boxes(static_cast<std::size_t>(wanted));
    std::vector<double> variance(static_cast<std::size_t>(wanted), 0.0);
    boxes[0] = Box{0, kSide - 1, 0, kSide - 1, 0, kSide - 1};
    int count = 1;
    std::size_t next = 0;
    while (count < wanted) {
      Box& a = boxes[next];
      Box& b = boxes[std::size_t(count)];
      if (Cut(a, b)) {
        variance[next] = a.volume() > 1 ? Variance(a) : 0.0;
        variance[std::size_t(count)] = b.volume() > 1 ? Variance(b) : 0.0;
        ++count;
      } else {
        variance[next] = 0.0;
      }
      next = 0;
      double worst = variance[0];
      for (int i = 1; i < count; ++i)
        if (variance[std::size_t(i)] > worst) {
          worst = variance[std::size_t(i)];
          next = std::size_t(i);
        }
      if (worst <= 0.0) break;
    }
    std::vector<std::array<double, 3>> means;
    for (int i = 0; i < count; ++i) {
      const Box& box = boxes[std::size_t(i)];
      const double w = double(Volume(box, m_w));
      if (w <= 0) continue;
      means.push_back(
          {double(Volume(box, m_r)) / w, double(Volume(box, m_g)) / w, double(Volume(box, m_b)) / w});
    }
    return means;
  }

 private:
  enum Axis { kRed, kGreen, kBlue };
  // Lower bounds exclusive, upper bounds inclusive.
  struct Box {
    int r0, r1, g0, g1, b0, b1;
    int volume() const { return (r1 - r0) * (g1 - g0) * (b1 - b0); }
  };

  static std::size_t At(int r, int g, int b) {
    return (std::size_t(r) * kSide + std::size_t(g)) * kSide + std::size_t(b);
  }

  // Turns every moment into the sum over the box from the origin to its cell.
  void Accumulate() {
    for (int r = 1; r < kSide; ++r)
      for (int g = 1; g < kSide; ++g)
        for (int b = 1; b < kSide; ++b) {
          const std::size_t i = At(r, g, b);
          const std::size_t rr = At(r - 1, g, b), gg = At(r, g - 1, b), bb = At(r, g, b - 1);
          const std::size_t rg = At(r - 1, g - 1, b), rb = At(r - 1, g, b - 1), gb = At(r, g - 1, b - 1);
          const std::size_t rgb = At(r - 1, g - 1, b - 1);
          auto sum = [&](auto& m) { m[i] += m[rr] + m[gg] + m[bb] - m[rg] - m[rb] - m[gb] + m[rgb]; };
          sum(m_w);
          sum(m_r);
          sum(m_g);
          sum(m_b);
          sum(m_m2);
        }
  }

  template <class V>
  static typename V::value_type Volume(const Box& c, const V& m) {
    return m[At(c.r1, c.g1, c.b1)] - m[At(c.r1, c.g1, c.b0)] - m[At(c.r1, c.g0, c.b1)] +
           m[At(c.r1, c.g0, c.b0)] - m[At(c.r0, c.g1, c.b1)] + m[At(c.r0, c.g1, c.b0)] +
           m[At(c.r0, c.g0, c.b1)] - m[At(c.r0, c.g0, c.b0)];
  }
  // The part of Volume that does not move with the box's upper bound on `axis`.
  static std::int64_t Bottom(const Box& c, Axis axis, const std::vector<std::int64_t>& m) {
    switch (axis) {
      case kRed:
        return -m[At(c.r0, c.g1, c.b1)] + m[At(c.r0, c.g1, c.b0)] + m[At(c.r0, c.g0, c.b1)] -
               m[At(c.r0, c.g0, c.b0)];
      case kGreen:
        return -m[At(c.r1, c.g0, c.b1)] + m[At(c.r1, c.g0, c.b0)] + m[At(c.r0, c.g0, c.b1)] -
               m[At(c.r0, c.g0, c.b0)];
      case kBlue:
        break;
    }
    return -m[At(c.r1, c.g1, c.b0)] + m[At(c.r1, c.g0, c.b0)] + m[At(c.r0, c.g1, c.b0)] -
           m[At(c.r0, c.g0, c.b0)];
  }
  // The rest of Volume with the upper bound on `axis` moved to `pos`.
  static std::int64_t Top(const Box& c, Axis axis, int pos, const std::vector<std::int64_t>& m) {
    switch (axis) {
      case kRed:
        return m[At(pos, c.g1, c.b1)] - m[At(pos, c.g1, c.b0)] - m[At(pos, c.g0, c.b1)] +
               m[At(pos, c.g0, c.b0)];
      case kGreen:
        return m[At(c.r1, pos, c.b1)] - m[At(c.r1, pos, c.b0)] - m[At(c.r0, pos, c.b1)] +
               m[At(c.r0, pos, c.b0)];
      case kBlue:
        break;
    }
    return m[At(c.r1, c.g1, pos)] - m[At(c.r1, c.g0, pos)] - m[At(c.r0, c.g1, pos)] + m[At(c.r0, c.g0, pos)];
  }

  // Sum of squared distances of the box's colours from their mean.
  double Variance(const Box& c) const {
    const double r = double(Volume(c, m_r)), g = double(Volume(c, m_g)), b = double(Volume(c, m_b));
    return Volume(c, m_m2) - (r * r + g * g + b * b) / double(Volume(c, m_w));
  }

  struct Moments {
    std::int64_t w, r, g, b;
  };

  // The cut along `axis` that leaves the two halves with the least error (the largest sum of
  // squared sums over weights); -1 when no cut leaves both halves with colours.
  double Maximize(const Box& c, Axis axis, int first, int last, int& cut, const Moments& whole) const {
    const Moments base{Bottom(c, axis, m_w), Bottom(c, axis, m_r), Bottom(c, axis, m_g),
                       Bottom(c, axis, m_b)};
    double best = 0.0;
    cut = -1;
    for (int i = first; i < last; ++i) {
      const Moments half{base.w + Top(c, axis, i, m_w), base.r + Top(c, axis, i, m_r),
                         base.g + Top(c, axis, i, m_g), base.b + Top(c, axis, i, m_b)};
      if (half.w == 0) continue;
      const Moments rest{whole.w - half.w, whole.r - half.r, whole.g - half.g, whole.b - half.b};
      if (rest.w == 0) continue;
      const double score = (double(half.r) * double(half.r) + double(half.g) * double(half.g) +
                            double(half.b) * double(half.b)) /
                               double(half.w) +
                           (double(rest.r) * double(rest.r) + double(rest.g) * double(rest.g) +
                            double(rest.b) * double(rest.b)) /
                               double(rest.w);
      if (score > best) {
        best = score;
        cut = i;
      }
    }
    return best;
  }

  bool Cut(Box& a, Box& b) const {
    const Moments whole{Volume(a, m_w), Volume(a, m_r), Volume(a, m_g), Volume(a, m_b)};
    int cutR, cutG, cutB;
    const double bestR = Maximize(a, kRed, a.r0 + 1, a.r1, cutR, whole);
    const double bestG = Maximize(a, kGreen, a.g0 + 1, a.g1, cutG, whole);
    const double bestB = Maximize(a, kBlue, a.b0 + 1, a.b1, cutB, whole);
    Axis axis;
    if (bestR >= bestG && bestR >= bestB) {
      axis = kRed;
      if (cutR < 0) return false;
    } else if (bestG >= bestR && bestG >= bestB) {
      axis = kGreen;
    } else {
      axis = kBlue;
    }
    b.r1 = a.r1;
    b.g1 = a.g1;
    b.b1 = a.b1;
    switch (axis) {
      case kRed:
        b.r0 = a.r1 = cutR;
        b.g0 = a.g0;
        b.b0 = a.b0;
        break;
      case kGreen:
        b.g0 = a.g1 = cutG;
        b.r0 = a.r0;
        b.b0 = a.b0;
        break;
      case kBlue:
        b.b0 = a.b1 = cutB;
        b.r0 = a.r0;
        b.g0 = a.g0;
        break;
    }
    return true;
  }

  std::vector<std::int64_t> m_w, m_r, m_g, m_b;
  std::vector<double> m_m2;
};

std::array<int, 3> Rounded(const std::array<double, 3>& c) {
  std::array<int, 3> out;
  for (std::size_t k = 0; k < 3; ++k)
    out[k] = std::clamp(int(std::lround(c[k])), 0, 255);
  return out;
}

// ---- k-means over the picture's colours ----

// Moves each palette entry to the mean of the colours nearest to it, pass after pass, until the error
// settles. An entry left without colours moves to the colour that is worst served. Returns the rounded
// palette; `assigned` gets each colour's nearest entry in it.
std::vector<std::array<int, 3>> Refine(const Histogram& h, std::ptrdiff_t skip,
                                       std::vector<std::array<double, 3>> centre,
                                       const QuantiserSettings& settings, std::vector<int>& assigned) {
  const std::size_t k = centre.size();
  const std::size_t n = h.colour.size();
  NearestColour nearest;
  std::vector<std::array<int, 3>> palette(k);
  std::vector<std::array<double, 4>> sums(k);
  std::vector<float> error(n);
  double previous = std::numeric_limits<double>::infinity();
  for (int pass = 0;; ++pass) {
    for (std::size_t j = 0; j < k; ++j)
      palette[j] = Rounded(centre[j]);
    nearest.build(palette);
    if (pass >= settings.refinementPasses) break;
    std::fill(sums.begin(), sums.end(), std::array<double, 4>{0, 0, 0, 0});
    double total = 0;
    for (std::size_t u = 0; u < n; ++u) {
      if (std::ptrdiff_t(u) == skip) continue;
      const std::uint32_t c = h.colour[u];
      const int r = KeyR(c), g = KeyG(c), b = KeyB(c);
      int d;
      const int j = nearest.find(r, g, b, assigned[u], d);
      assigned[u] = j;
      const double w = h.count[u];
      auto& s = sums[std::size_t(j)];
      s[0] += w * r;
      s[1] += w * g;
      s[2] += w * b;
      s[3] += w;
      error[u] = float(w * d);
      total += w * d;
    }
    for (std::size_t j = 0; j < k; ++j) {
      const auto& s = sums[j];
      if (s[3] > 0) {
        centre[j] = {s[0] / s[3], s[1] / s[3], s[2] / s[3]};
        continue;
      }
      // An unused entry takes the colour that costs most where it is now.
      std::size_t worst = n;
      float worstError = 0;
      for (std::size_t u = 0; u < n; ++u)
        if (std::ptrdiff_t(u) != skip && error[u] > worstError) {
          worstError = error[u];
          worst = u;
        }
      if (worst == n) continue;
      error[worst] = 0;
      const std::uint32_t c = h.colour[worst];
      centre[j] = {double(KeyR(c)), double(KeyG(c)), double(KeyB(c))};
    }
    if (total == 0 || previous - total < previous * settings.settleRatio) {
      previous = total;
      // One more pass only moves the entries; the last assignment is made against the rounded palette.
      for (std::size_t j = 0; j < k; ++j)
        palette[j] = Rounded(centre[j]);
      nearest.build(palette);
      break;
    }
    previous = total;
  }
  for (std::size_t u = 0; u < n; ++u) {
    if (std::ptrdiff_t(u) == skip) continue;
    const std::uint32_t c = h.colour[u];
    int d;
    assigned[u] = nearest.find(KeyR(c), KeyG(c), KeyB(c), assigned[u], d);
  }
  return palette;
}

// The palette of at most `wanted` colours for the histogram's colours but `skip`: the colours themselves
// when they are no more, else Wu's boxes refined by k-means. `entryOf` gets each colour's entry.
std::vector<Rgb8> ReducedPalette(const Histogram& h, std::ptrdiff_t skip, int wanted,
                                 const QuantiserSettings& settings, std::vector<int>& entryOf) {
  std::vector<Rgb8> out;
  const std::size_t others = h.colour.size() - (skip >= 0 ? 1 : 0);
  if (others <= std::size_t(wanted)) {
    for (std::size_t u = 0; u < h.colour.size(); ++u) {
      if (std::ptrdiff_t(u) == skip) continue;
      entryOf[u] = int(out.size());
      const std::uint32_t c = h.colour[u];
      out.push_back({std::uint8_t(KeyR(c)), std::uint8_t(KeyG(c)), std::uint8_t(KeyB(c))});
    }
    return out;
  }
  WuBoxes wu(h, skip);
  std::vector<std::array<double, 3>> centres = wu.Split(wanted);
  // Colours crowded into few histogram cells leave boxes unmade; the spare entries start as copies,
  // which k-means moves to the worst served colours.
  centres.resize(std::size_t(wanted), centres.front());
  for (const auto& c : Refine(h, skip, std::move(centres), settings, entryOf))
    out.push_back({std::uint8_t(c[0]), std::uint8_t(c[1]), std::uint8_t(c[2])});
  return out;
}

}  // namespace

IndexedImage QuantiseBgra(const PixelView32& picture, const QuantiserSettings& settings) {
  if (!picture.pixels || picture.width < 1 || picture.height < 1)
    throw std::invalid_argument("no picture to reduce");
  if (settings.maxColours < 2 || settings.maxColours > 256)
    throw std::invalid_argument("the palette must have 2 to 256 colours");
  const std::size_t pixels = std::size_t(picture.width) * std::size_t(picture.height);
  if (settings.exactPixel >= std::ptrdiff_t(pixels))
    throw std::invalid_argument("the exact pixel lies outside");

  const Histogram h = CountColours(picture);
  const std::ptrdiff_t exact =
      settings.exactPixel >= 0 ? std::ptrdiff_t(h.ofPixel[std::size_t(settings.exactPixel)]) : -1;
  const int wanted = settings.maxColours - (exact >= 0 ? 1 : 0);

  IndexedImage out;
  out.width = picture.width;
  out.height = picture.height;
  std::vector<int> entryOf(h.colour.size(), -1);
  out.palette = ReducedPalette(h, exact, wanted, settings, entryOf);
  if (exact >= 0) {
    entryOf[std::size_t(exact)] = int(out.palette.size());
    const std::uint32_t c = h.colour[std::size_t(exact)];
    out.palette.push_back({std::uint8_t(KeyR(c)), std::uint8_t(KeyG(c)), std::uint8_t(KeyB(c))});
  }
  out.indices.resize(pixels);
  for (std::size_t p = 0; p < pixels; ++p)
    out.indices[p] = static_cast<std::uint8_t>(entryOf[h.ofPixel[p]]);
  return out;
}

std::vector<Rgb8> QuantiseColours(const std::vector<std::uint32_t>& colours,
                                  const std::vector<std::uint32_t>& counts,
                                  const QuantiserSettings& settings) {
  if (colours.empty() || colours.size() != counts.size()) throw std::invalid_argument("no colours to reduce");
  if (settings.maxColours < 2 || settings.maxColours > 256)
    throw std::invalid_argument("the palette must have 2 to 256 colours");
  Histogram h;
  h.colour = colours;
  h.count = counts;
  for (std::uint32_t& c : h.colour)
    c &= 0xFFFFFFu;
  std::vector<int> entryOf(h.colour.size(), -1);
  return ReducedPalette(h, -1, settings.maxColours, settings, entryOf);
}

ColourError MeasureColourError(const PixelView32& source, const IndexedImage& image) {
  if (source.width != image.width || source.height != image.height || !source.pixels ||
      image.indices.size() != std::size_t(image.width) * std::size_t(image.height))
    throw std::invalid_argument("the pictures differ in size");
  double sum = 0;
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* row = source.pixels + std::ptrdiff_t(y) * source.pitch;
    for (int x = 0; x < source.width; ++x) {
      const std::uint8_t index = image.at(x, y);
      if (index >= image.palette.size()) throw std::invalid_argument("an index lies outside the palette");
      const Rgb8 c = image.palette[index];
      const int db = int(row[4 * x]) - c.b, dg = int(row[4 * x + 1]) - c.g, dr = int(row[4 * x + 2]) - c.r;
      sum += double(dr * dr + dg * dg + db * db);
    }
  }
  ColourError e;
  e.meanSquared = sum / (3.0 * double(source.width) * double(source.height));
  e.psnr = e.meanSquared > 0 ? 10.0 * std::log10(255.0 * 255.0 / e.meanSquared)
                             : std::numeric_limits<double>::infinity();
  return e;
}

}  // namespace dravo
