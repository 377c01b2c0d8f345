#include "motion/mot_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "core/byte_io.h"
#include "motion/mot_keys.h"
#include "motion/mot_writer.h"
#include "motion/motion_pose.h"
#include "motion_fixtures.h"

namespace dravo {
namespace {

using test::AllVariants;
using test::DraftFor;
using test::Load;
using test::MaxDifference;

// Byte positions of a rotation key's values, written out by hand.
struct KeyShape {
  bool wide;
  bool axisOrder;
  int size, angleAt, xAt, yAt, zAt;
};
constexpr KeyShape kKeyShapes[] = {
    {false, false, 8, 4, 5, 6, 7},
    {false, true, 12, 4, 5, 7, 6},
    {true, false, 12, 4, 6, 8, 10},
    {true, true, 16, 4, 6, 10, 8},
};

std::int32_t ValueAt(const TMOTfile& m, std::size_t at, bool wide) {
  return wide ? LoadI16(m.data() + at) : static_cast<std::int8_t>(m.data()[at]);
}

void PutValue(TMOTfile& m, std::size_t at, bool wide, std::int32_t v) {
  if (wide) {
    StoreI16(m.data() + at, static_cast<std::int16_t>(v));
  } else {
    m.data()[at] = static_cast<std::uint8_t>(static_cast<std::int8_t>(v));
  }
}

// One part, two frames, no position track; the tail of axis-order keys is marked.
TMOTfile OneKeyMotion(std::int32_t version, const KeyShape& shape) {
  MotionDraft d;
  d.version = version;
  d.wideKeys = shape.wide;
  d.axisOrder = shape.axisOrder;
  d.frameCount = 2;
  d.partNames = {"Pelvis"};
  d.axisOrderTail = 0xA5C3E1F7u;
  return Load(WriteMotion(d));
}

std::size_t KeyOffset(const TMOTfile& m, const KeyShape& shape, int frame) {
  return static_cast<std::size_t>(m.RotationTracksStart()) + 8 + static_cast<std::size_t>(frame * shape.size);
}

TEST(MotKeys, ValuesSitWhereEachVariantKeepsThem) {
  for (std::int32_t version : {-7, -6, -3}) {
    for (const KeyShape& shape : kKeyShapes) {
      SCOPED_TRACE(testing::Message()
                   << "version " << version << " wide " << shape.wide << " axis order " << shape.axisOrder);
      TMOTfile m = OneKeyMotion(version, shape);
      ASSERT_TRUE(m.IsValid()) << m.InvalidReason();
      EXPECT_EQ(m.size(), KeyOffset(m, shape, 2));
      const std::vector<std::uint8_t> before = m.vector();

      // A unit axis with three distinct components, so every value lands in its own place.
      const Matrix r = MatrixRotationAxis({0.48f, 0.6f, 0.64f}, 1.0f);
      m.SetRotation(0, 1, r);
      const std::size_t key = KeyOffset(m, shape, 1);
      EXPECT_EQ(ValueAt(m, key + shape.angleAt, shape.wide), shape.wide ? 652 : 40);
      EXPECT_EQ(ValueAt(m, key + shape.xAt, shape.wide), shape.wide ? 15728 : 61);
      EXPECT_EQ(ValueAt(m, key + shape.yAt, shape.wide), shape.wide ? 19660 : 76);
      EXPECT_EQ(ValueAt(m, key + shape.zAt, shape.wide), shape.wide ? 20971 : 81);
      EXPECT_EQ(LoadI32(m.data() + key), 1) << "the key's first 4 bytes are never written";
      if (shape.axisOrder) {
        // The game writes zeros after 8-bit values and keeps what follows 16-bit ones.
        EXPECT_EQ(LoadU32(m.data() + key + shape.size - 4), shape.wide ? 0xA5C3E1F7u : 0u);
      }
      EXPECT_TRUE(std::equal(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(key), m.data()))
          << "nothing before the key changes";

      EXPECT_LT(MaxDifference(m.GetRotation(0, 1), r), shape.wide ? 0.002f : 0.03f);
    }
  }
}

TEST(MotKeys, DecodesTheDocumentedKeys) {
  // Wide: angle 2047 about (0, 32767, 0) is a half turn about y.
  TMOTfile wide = OneKeyMotion(-6, kKeyShapes[2]);
  std::size_t key = KeyOffset(wide, kKeyShapes[2], 0);
  PutValue(wide, key + 4, true, 2047);
  PutValue(wide, key + 6, true, 0);
  PutValue(wide, key + 8, true, 32767);
  PutValue(wide, key + 10, true, 0);
  EXPECT_LT(MaxDifference(wide.GetRotation(0, 0), MatrixRotationAxis({0, 1, 0}, kPi)), 1e-6f);

  // Narrow: angle -127 about (127, 0, 0) is -π about x.
  TMOTfile narrow = OneKeyMotion(-3, kKeyShapes[0]);
  key = KeyOffset(narrow, kKeyShapes[0], 0);
  PutValue(narrow, key + 4, false, -127);
  PutValue(narrow, key + 5, false, 127);
  PutValue(narrow, key + 6, false, 0);
  PutValue(narrow, key + 7, false, 0);
  EXPECT_LT(MaxDifference(narrow.GetRotation(0, 0), MatrixRotationAxis({1, 0, 0}, -kPi)), 1e-6f);

  // Axis order: the values after the angle are x, z, y, so (0, 0, 32767) is the y axis.
  for (const KeyShape& shape : {kKeyShapes[1], kKeyShapes[3]}) {
    TMOTfile m = OneKeyMotion(-7, shape);
    key = KeyOffset(m, shape, 0);
    const int full = shape.wide ? 32767 : 127;
    const int step = shape.wide ? 2 : 1;
    PutValue(m, key + 4, shape.wide, shape.wide ? 1000 : 60);
    PutValue(m, key + 4 + step, shape.wide, 0);
    PutValue(m, key + 4 + 2 * step, shape.wide, 0);
    PutValue(m, key + 4 + 3 * step, shape.wide, full);
    const float angle = shape.wide ? 1000 * kPi / 2047 : 60 * kPi / 127;
    EXPECT_LT(MaxDifference(m.GetRotation(0, 0), MatrixRotationAxis({0, 1, 0}, angle)), 1e-6f);

    m.SetRotation(0, 1, MatrixRotationAxis({0, 1, 0}, 0.7f));
    key = KeyOffset(m, shape, 1);
    EXPECT_EQ(ValueAt(m, key + 4 + step, shape.wide), 0);
    EXPECT_EQ(ValueAt(m, key + 4 + 2 * step, shape.wide), 0);
    EXPECT_EQ(ValueAt(m, key + 4 + 3 * step, shape.wide), full);
  }
}

TEST(MotKeys, IdentityAndHalfTurnEncodeAsDocumented) {
  Matrix halfTurnX = IdentityMatrix();
  halfTurnX[1][1] = -1;
  halfTurnX[2][2] = -1;
  for (const KeyShape& shape : kKeyShapes) {
    SCOPED_TRACE(testing::Message() << "wide " << shape.wide << " axis order " << shape.axisOrder);
    TMOTfile m = OneKeyMotion(-6, shape);
    const int full = shape.wide ? 32767 : 127;
    const int angleMax = shape.wide ? 2047 : 127;

    m.SetRotation(0, 0, IdentityMatrix());
    std::size_t key = KeyOffset(m, shape, 0);
    EXPECT_EQ(ValueAt(m, key + shape.angleAt, shape.wide), 0);
    EXPECT_EQ(ValueAt(m, key + shape.xAt, shape.wide), 0);
    EXPECT_EQ(ValueAt(m, key + shape.yAt, shape.wide), 0);
    EXPECT_EQ(ValueAt(m, key + shape.zAt, shape.wide), full);

    m.SetRotation(0, 1, halfTurnX);
    key = KeyOffset(m, shape, 1);
    EXPECT_EQ(ValueAt(m, key + shape.angleAt, shape.wide), angleMax);
    EXPECT_EQ(ValueAt(m, key + shape.xAt, shape.wide), -full);
    EXPECT_EQ(ValueAt(m, key + shape.yAt, shape.wide), 0);
    EXPECT_EQ(ValueAt(m, key + shape.zAt, shape.wide), 0);
  }
}

TEST(MotKeys, EncodingRoundsHalvesToEvenAndClamps) {
  struct Case {
    double value, scale;
    std::int32_t limit, expected;
  };
  const Case cases[] = {
      {2.5, 1, 2047, 2},         {3.5, 1, 2047, 4},          {-2.5, 1, 2047, -2},
      {2.5000001, 1, 2047, 3},   {0.5, 32767, 32767, 16384}, {0.5, 127, 127, 64},
      {-0.5, 127, 127, -64},     {1.01, 127, 127, 127},      {-1e30, 32767, 32767, -32767},
      {INFINITY, 127, 127, 127}, {NAN, 127, 127, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(EncodeKeyValue(c.value, c.scale, c.limit), c.expected) << c.value << " x " << c.scale;

  // An angle a little above π stays at the largest value instead of wrapping past it.
  for (bool wide : {false, true}) {
    const RotationKeyLayout layout = RotationLayout(wide, false);
    std::uint8_t key[16] = {};
    EncodeRotationKey(key, layout, {{0, 0, 1}, kPi + 0.01f});
    EXPECT_EQ(wide ? LoadI16(key + 4) : static_cast<std::int8_t>(key[4]), wide ? 2047 : 127);
    EncodeRotationKey(key, layout, {{0, 0, 1}, -kPi - 0.01f});
    EXPECT_EQ(wide ? LoadI16(key + 4) : static_cast<std::int8_t>(key[4]), wide ? -2047 : -127);
  }
}

TEST(MotFile, HeaderSizesFollowTheVersion) {
  MotionDraft d;
  d.headerWord = 77;
  d.frameCount = 3;
  d.partNames = {"Pelvis", "Torso"};
  d.positionTracks = {{0}};
  d.extraWords = {5, 6};
  std::mt19937 rng(1);
  d.pose = test::RandomPose(rng, 2, 3);
  const std::size_t names = 4 + 6 + 4 + 5;

  d.version = -6;
  const TMOTfile six = Load(WriteMotion(d));
  d.version = -3;
  const TMOTfile three = Load(WriteMotion(d));
  ASSERT_TRUE(six.IsValid() && three.IsValid());

  EXPECT_EQ(six.PositionTracksStart(), static_cast<std::int32_t>(16 + names + 28));
  EXPECT_EQ(three.PositionTracksStart(), static_cast<std::int32_t>(12 + names + 20));
  EXPECT_EQ(six.HeaderWords(), (std::array<std::int32_t, 3>{77, 3, 2}));
  EXPECT_EQ(three.HeaderWords(), (std::array<std::int32_t, 3>{3, 2, 0}));
  EXPECT_EQ(six.ParameterBlock()[3], 1);
  EXPECT_EQ(six.ParameterBlock()[5], 5);
  EXPECT_EQ(three.ParameterBlock()[5], 0);
  EXPECT_EQ(six.RotationTracksStart() - six.PositionTracksStart(),
            three.RotationTracksStart() - three.PositionTracksStart());

  const TPoseTable a = BuildPose(six), b = BuildPose(three);
  ASSERT_EQ(a.size(), 2u);
  ASSERT_EQ(b.size(), 2u);
  for (std::size_t p = 0; p < 2; ++p) {
    EXPECT_EQ(a[p].Name, b[p].Name);
    EXPECT_EQ(a[p].HasPosition, b[p].HasPosition);
    EXPECT_EQ(a[p].Frames, b[p].Frames);
  }
}

TEST(MotFile, SmallNarrowVersion3Motion) {
  MotionDraft d;
  d.version = -3;
  d.wideKeys = false;
  d.frameCount = 2;
  d.partNames = {"Root"};
  const TMOTfile m = Load(WriteMotion(d));
  ASSERT_TRUE(m.IsValid());
  const TPoseTable pose = BuildPose(m);
  ASSERT_EQ(pose.size(), 1u);
  EXPECT_EQ(pose[0].Frames.size(), 2u);
  EXPECT_TRUE(pose[0].Allocated);
  EXPECT_FALSE(pose[0].HasPosition);
  EXPECT_EQ(pose[0].AttachMatrix, IdentityMatrix());
}

TEST(MotFile, UnknownVersionIsNotAMotion) {
  MotionDraft d;
  d.frameCount = 4;
  d.partNames = {"A"};
  std::vector<std::uint8_t> bytes = WriteMotion(d);
  StoreI32(bytes.data(), 5);
  const TMOTfile m = Load(bytes);
  EXPECT_FALSE(m.IsValid());
  EXPECT_EQ(m.Version(), 0);
  EXPECT_EQ(m.FrameCount(), 0);
  EXPECT_EQ(m.PartCount(), 0);
  EXPECT_EQ(m.HeaderWords(), (std::array<std::int32_t, 3>{}));
  EXPECT_NE(m.InvalidReason().find("version 5"), std::string::npos);
  EXPECT_EQ(m.size(), bytes.size()) << "the bytes are kept as read";
}

TEST(MotFile, NamesAndFindPart) {
  MotionDraft d;
  d.frameCount = 1;
  d.partNames = {"Pelvis", "Lower Torso", std::string(100, 'n'), "lower torso", "Head"};
  const TMOTfile m = Load(WriteMotion(d));
  ASSERT_TRUE(m.IsValid()) << m.InvalidReason();
  EXPECT_EQ(m.FindPart("lower torso"), 1);
  EXPECT_EQ(m.FindPart("LOWER TORSO"), 1);
  EXPECT_EQ(m.FindPart("lower torso "), -1);
  EXPECT_EQ(m.FindPart("Lower"), -1);
  // A 100-character name keeps 79 characters, and the next name follows all 100 bytes.
  EXPECT_EQ(m.PartName(2), std::string(79, 'n'));
  EXPECT_EQ(m.PartName(4), "Head");
  EXPECT_EQ(m.FindPart("head"), 4);
  EXPECT_EQ(m.PartName(5), "");
  EXPECT_EQ(m.PartName(-1), "");
  EXPECT_EQ(BuildPose(m)[2].Name, std::string(29, 'n'));
}

TEST(MotFile, KeysTheMotionDoesNotHold) {
  // Part 1 has no rotation track; part 0 has two, the first of which is short.
  MotionDraft d;
  d.frameCount = 3;
  d.partNames = {"A", "B"};
  d.positionTracks = {{0, 1}};
  d.rotationTracks = {{0, 1}, {0, 3}};
  Matrix placed = MatrixRotationAxis({1, 0, 0}, 1.0f);
  placed[3][0] = 2.0f;
  d.pose = {{placed, placed, placed}};
  TMOTfile m = Load(WriteMotion(d));
  ASSERT_TRUE(m.IsValid());
  const std::vector<std::uint8_t> before = m.vector();

  EXPECT_LT(MaxDifference(m.GetRotation(0, 0), MatrixRotationAxis({1, 0, 0}, 1.0f)), 0.002f);
  EXPECT_EQ(m.GetPosition(0, 0), (Vector3{2, 0, 0}));
  // Frame 1 lies beyond the first track of part 0; the later track is never consulted.
  EXPECT_EQ(m.GetRotation(0, 1), IdentityMatrix());
  EXPECT_EQ(m.GetPosition(0, 1), Vector3{});
  EXPECT_EQ(m.GetRotation(1, 0), IdentityMatrix());
  EXPECT_EQ(m.GetRotation(-1, 0), IdentityMatrix());
  EXPECT_EQ(m.GetRotation(0, -1), IdentityMatrix());
  EXPECT_EQ(m.GetRotation(2, 0), IdentityMatrix());
  EXPECT_TRUE(m.HasPositionTrack(0));
  EXPECT_FALSE(m.HasPositionTrack(1));
  EXPECT_FALSE(m.HasPositionTrack(7));

  m.SetPosition(0, 1, 9, 9, 9);
  m.SetPosition(1, 0, 9, 9, 9);
  m.SetRotation(0, 1, MatrixRotationAxis({0, 1, 0}, 1.0f));
  m.SetRotation(1, 0, MatrixRotationAxis({0, 1, 0}, 1.0f));
  m.SetRotation(0, 3, MatrixRotationAxis({0, 1, 0}, 1.0f));
  EXPECT_EQ(m.vector(), before);
}

TEST(MotFile, LoadsFromAStreamFromItsStart) {
  MotionDraft d;
  d.frameCount = 2;
  d.partNames = {"A"};
  MemoryStream source(WriteMotion(d));
  source.setPosition(7);
  TMOTfile m;
  m.LoadMotion(source);
  EXPECT_TRUE(m.IsValid());
  EXPECT_EQ(m.vector(), source.vector());
  EXPECT_EQ(m.position(), 0u);
  // Reloading from its own bytes is a plain copy.
  m.LoadMotion(static_cast<const MemoryStream&>(m));
  EXPECT_TRUE(m.IsValid());
  EXPECT_EQ(m.vector(), source.vector());
}

// --- Motions that cannot be held ---------------------------------------------------------

struct Malformed {
  const char* name;
  std::function<void(std::vector<std::uint8_t>&, const TMOTfile&)> damage;
  const char* reason;
};

TEST(MotFile, MalformedMotionsAreRefusedWithAReason) {
  MotionDraft d;
  d.frameCount = 3;
  d.partNames = {"Pelvis", "Torso"};
  d.positionTracks = {{0}};
  const std::vector<std::uint8_t> good = WriteMotion(d);
  const TMOTfile parsed = Load(good);
  ASSERT_TRUE(parsed.IsValid());

  auto put = [](std::vector<std::uint8_t>& b, std::size_t at, std::int32_t v) { StoreI32(b.data() + at, v); };
  auto pos = [](const TMOTfile& m) { return static_cast<std::size_t>(m.PositionTracksStart()); };
  auto rot = [](const TMOTfile& m) { return static_cast<std::size_t>(m.RotationTracksStart()); };
  const Malformed cases[] = {
      {"empty", [](auto& b, auto&) { b.clear(); }, "too short"},
      {"header cut", [](auto& b, auto&) { b.resize(10); }, "header is cut short"},
      {"version", [&](auto& b, auto&) { put(b, 0, -5); }, "version -5"},
      {"negative parts", [&](auto& b, auto&) { put(b, 12, -1); }, "negative part count"},
      {"negative frames", [&](auto& b, auto&) { put(b, 8, -1); }, "negative frame count"},
      {"frames beyond file", [&](auto& b, auto&) { put(b, 8, 100000); }, "larger than the file"},
      {"negative name", [&](auto& b, auto&) { put(b, 16, -1); }, "negative name length"},
      {"oversized name", [&](auto& b, auto&) { put(b, 16, 1 << 30); }, "name of part 0 runs past"},
      {"parameters cut", [&](auto& b, auto& m) { b.resize(pos(m) - 3); }, "parameter block is cut short"},
      {"too many position tracks", [&](auto& b, auto& m) { put(b, pos(m) - 16, 9); }, "position track"},
      {"negative position keys", [&](auto& b, auto& m) { put(b, pos(m), -2); }, "negative key count"},
      {"position keys past end", [&](auto& b, auto& m) { put(b, pos(m), 1000); }, "position track 0 runs"},
      {"rotation keys past end", [&](auto& b, auto& m) { put(b, rot(m), 1000); }, "rotation track 0 runs"},
      {"negative rotation keys", [&](auto& b, auto& m) { put(b, rot(m), -1); }, "rotation track 0 has a neg"},
      {"cut in a key", [](auto& b, auto&) { b.pop_back(); }, "rotation track 1 runs past"},
  };
  for (const Malformed& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> bytes = good;
    c.damage(bytes, parsed);
    TMOTfile m = Load(bytes);
    EXPECT_FALSE(m.IsValid());
    EXPECT_NE(m.InvalidReason().find(c.reason), std::string::npos) << m.InvalidReason();
    EXPECT_EQ(m.FrameCount(), 0);
    EXPECT_EQ(m.PartCount(), 0);
    EXPECT_EQ(m.FindPart("Pelvis"), -1);
    EXPECT_TRUE(BuildPose(m).empty());
    EXPECT_EQ(m.GetRotation(0, 0), IdentityMatrix());
    m.SetRotation(0, 0, MatrixRotationAxis({0, 1, 0}, 1));
    m.SetPosition(0, 0, 1, 2, 3);
    EXPECT_EQ(m.vector(), bytes) << "a refused motion is never written";
  }
}

TEST(MotFile, ThirtyPartsAtMost) {
  MotionDraft d;
  d.frameCount = 1;
  for (int i = 0; i < 30; ++i)
    d.partNames.push_back("Part" + std::to_string(i));
  EXPECT_TRUE(Load(WriteMotion(d)).IsValid());
  d.partNames.push_back("One too many");
  const TMOTfile m = Load(WriteMotion(d));
  EXPECT_FALSE(m.IsValid());
  EXPECT_NE(m.InvalidReason().find("at most 30"), std::string::npos) << m.InvalidReason();
}

// A header alone could ask for gigabytes of pose table: 2^20 frames of 30 parts in a 1 MiB file.
TEST(MotFile, AMotionWhosePoseTableWouldBeHugeIsRefused) {
  const auto header = [](std::int32_t frames, std::int32_t parts, std::size_t size) {
    std::vector<std::uint8_t> bytes(size, 0);
    StoreI32(bytes.data(), -3);
    StoreI32(bytes.data() + 4, frames);
    StoreI32(bytes.data() + 8, parts);
    return bytes;
  };
  const TMOTfile bomb = Load(header(1 << 20, 30, 1 << 20));
  EXPECT_FALSE(bomb.IsValid());
  EXPECT_EQ(bomb.InvalidReason(),
            "1048576 frames of 30 parts would take 3840 MB to edit; a motion may take at most 64 MB");
  // Just under the limit the header is read on, and the motion fails only for what it lacks.
  const TMOTfile under = Load(header(17476, 30, 1 << 20));
  EXPECT_EQ(under.InvalidReason().find("MB"), std::string::npos) << under.InvalidReason();
  const TMOTfile over = Load(header(17477, 30, 1 << 20));
  EXPECT_NE(over.InvalidReason().find("at most 64 MB"), std::string::npos) << over.InvalidReason();
}

TEST(MotFile, EveryCutOfAMotionIsSafe) {
  for (const auto& variant : AllVariants()) {
    SCOPED_TRACE(test::VariantName(variant));
    MotionDraft d = DraftFor(variant);
    d.frameCount = 2;
    d.partNames = {"A", "B"};
    d.positionTracks = {{1}};
    std::mt19937 rng(7);
    d.pose = test::RandomPose(rng, 2, 2);
    const std::vector<std::uint8_t> full = WriteMotion(d);
    const TMOTfile whole = Load(full);
    ASSERT_TRUE(whole.IsValid());
    const std::size_t firstTrackEnd =
        static_cast<std::size_t>(whole.RotationTracksStart()) + 8 + 2 * whole.KeyLayout().size;

    for (std::size_t n = 0; n <= full.size(); ++n) {
      TMOTfile m = Load(std::span(full).first(n));
      const TPoseTable pose = BuildPose(m);
      StorePose(pose, m);
      if (n < static_cast<std::size_t>(whole.RotationTracksStart())) {
        EXPECT_FALSE(m.IsValid()) << n;
      }
    }
    // The rotation list may end early with the file: the missing track reads as no rotation.
    const TMOTfile shortList = Load(std::span(full).first(firstTrackEnd));
    ASSERT_TRUE(shortList.IsValid());
    EXPECT_EQ(shortList.GetRotation(1, 0), IdentityMatrix());
    EXPECT_EQ(shortList.GetRotation(0, 1), whole.GetRotation(0, 1));
  }
}

}  // namespace
}  // namespace dravo
