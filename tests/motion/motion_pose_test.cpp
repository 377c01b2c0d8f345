#include "motion/motion_pose.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "core/byte_io.h"
#include "motion/mot_writer.h"
#include "motion/motion_track_index.h"
#include "motion_fixtures.h"

namespace dravo {
namespace {

using test::AllVariants;
using test::DraftFor;
using test::Load;
using test::MaxDifference;
using test::MotionVariant;

// Three parts, the first and last with position tracks, five frames of random pose.
MotionDraft RandomDraft(const MotionVariant& v, unsigned seed) {
  MotionDraft d = DraftFor(v);
  d.frameCount = 5;
  d.partNames = {"Pelvis", "Left Thigh", "Head"};
  d.positionTracks = {{2}, {0}};
  d.axisOrderTail = 0x11223344u;
  d.headerWord = 3;
  std::mt19937 rng(seed);
  d.pose = test::RandomPose(rng, 3, 5);
  return d;
}

float Precision(const MotionVariant& v) {
  return v.wide ? 0.003f : 0.05f;
}

bool SameBits(const Matrix& a, const Matrix& b) {
  return std::memcmp(&a, &b, sizeof(Matrix)) == 0;
}

class PoseVariants : public testing::TestWithParam<MotionVariant> {};

TEST_P(PoseVariants, WrittenPoseReadsBack) {
  const MotionVariant v = GetParam();
  const MotionDraft d = RandomDraft(v, 5);
  const TMOTfile m = Load(WriteMotion(d));
  ASSERT_TRUE(m.IsValid()) << m.InvalidReason();
  EXPECT_EQ(m.Version(), v.version);
  EXPECT_EQ(m.WideKeys(), v.wide);
  EXPECT_EQ(m.AxisOrder(), v.axisOrder);
  EXPECT_EQ(m.PositionTrackCount(), 2);

  const TPoseTable pose = BuildPose(m);
  ASSERT_EQ(pose.size(), 3u);
  for (std::size_t p = 0; p < 3; ++p) {
    EXPECT_EQ(pose[p].Name, d.partNames[p]);
    EXPECT_EQ(pose[p].HasPosition, p != 1);
    ASSERT_EQ(pose[p].Frames.size(), 5u);
    for (std::size_t f = 0; f < 5; ++f) {
      const Matrix& got = pose[p].Frames[f];
      Matrix want = d.pose[p][f];
      if (p == 1) want[3][0] = want[3][1] = want[3][2] = 0;  // no position track
      EXPECT_LT(MaxDifference(got, want), Precision(v)) << p << "/" << f;
      EXPECT_EQ(got[3][0], want[3][0]);  // positions are stored exactly
      EXPECT_EQ(got[3][2], want[3][2]);
      EXPECT_EQ(got[0][3], 0.0f);
      EXPECT_EQ(got[3][3], 1.0f);
    }
  }
}

TEST_P(PoseVariants, StoreAfterBuildKeepsEveryRotation) {
  const MotionVariant v = GetParam();
  const std::vector<std::uint8_t> original = WriteMotion(RandomDraft(v, 9));
  TMOTfile m = Load(original);
  const TPoseTable first = BuildPose(m);
  StorePose(first, m);
  ASSERT_EQ(m.size(), original.size());

  const TPoseTable second = BuildPose(m);
  for (std::size_t p = 0; p < first.size(); ++p)
    for (std::size_t f = 0; f < first[p].Frames.size(); ++f)
      EXPECT_LT(MaxDifference(first[p].Frames[f], second[p].Frames[f]), Precision(v)) << p << "/" << f;

  // Everything but the rotation values stays as it was: header, names, position keys,
  // the first 4 bytes of every key and the tail of wide axis-order keys (a narrow one's is zeroed).
  const RotationKeyLayout layout = m.KeyLayout();
  const auto rotationStart = static_cast<std::size_t>(m.RotationTracksStart());
  EXPECT_TRUE(std::equal(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(rotationStart),
                         m.vector().begin()));
  for (std::size_t track = rotationStart; track < original.size();
       track += 8 + 5 * static_cast<std::size_t>(layout.size)) {
    for (std::size_t key = track + 8; key < track + 8 + 5 * static_cast<std::size_t>(layout.size);
         key += static_cast<std::size_t>(layout.size)) {
      EXPECT_EQ(LoadU32(m.data() + key), LoadU32(original.data() + key));
      if (v.axisOrder) {
        EXPECT_EQ(LoadU32(m.data() + key + layout.size - 4), v.wide ? 0x11223344u : 0u);
      }
    }
  }
}

TEST_P(PoseVariants, CanonicalKeysComeBackByteForByte) {
  // Positive angles about the coordinate axes survive a store unchanged, bit for bit.
  const MotionVariant v = GetParam();
  MotionDraft d = DraftFor(v);
  const std::vector<int> steps = v.wide ? std::vector<int>{4, 10, 100, 700, 1500, 2040, 2047}
                                        : std::vector<int>{1, 2, 30, 64, 100, 126, 127};
  d.frameCount = static_cast<std::int32_t>(steps.size());
  d.partNames = {"X", "Y", "Z"};
  d.positionTracks = {{1}};
  const Vector3 axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (const Vector3& axis : axes) {
    std::vector<Matrix> frames;
    for (int s : steps)
      frames.push_back(MatrixRotationAxis(axis, s * kPi / (v.wide ? 2047 : 127)));
    d.pose.push_back(frames);
  }
  const std::vector<std::uint8_t> original = WriteMotion(d);
  TMOTfile m = Load(original);
  StorePose(BuildPose(m), m);
  EXPECT_EQ(m.vector(), original);
}

TEST_P(PoseVariants, TrackIndexGivesTheSameResults) {
  const MotionVariant v = GetParam();
  // Odd but legal layouts: duplicate, short, missing and out-of-range tracks.
  std::vector<MotionDraft> drafts;
  drafts.push_back(RandomDraft(v, 11));
  MotionDraft odd = RandomDraft(v, 12);
  odd.rotationTracks = {{7}, {1, 2}, {0}, {1}};
  odd.positionTracks = {{2, 3}, {2}, {-1}, {0, 9}};
  drafts.push_back(odd);

  std::mt19937 rng(99);
  for (const MotionDraft& d : drafts) {
    const std::vector<std::uint8_t> bytes = WriteMotion(d);
    // Every cut too, where the lists end early or the motion is refused.
    for (std::size_t n = bytes.size() / 2; n <= bytes.size(); ++n) {
      TMOTfile scanned = Load(std::span(bytes).first(n));
      TMOTfile indexed = scanned;
      const TMotionTrackIndex index(indexed);
      const TPoseTable a = BuildPose(scanned), b = BuildPose(indexed, index);
      ASSERT_EQ(a.size(), b.size());
      for (std::size_t p = 0; p < a.size(); ++p) {
        ASSERT_EQ(a[p].HasPosition, b[p].HasPosition);
        for (std::size_t f = 0; f < a[p].Frames.size(); ++f)
          ASSERT_TRUE(SameBits(a[p].Frames[f], b[p].Frames[f]));
      }
      TPoseTable edited = a;
      const auto fresh = test::RandomPose(rng, static_cast<int>(a.size()), scanned.FrameCount());
      for (std::size_t p = 0; p < edited.size(); ++p)
        edited[p].Frames = fresh[p];
      StorePose(edited, scanned);
      StorePose(edited, indexed, index);
      ASSERT_EQ(scanned.vector(), indexed.vector()) << "cut at " << n;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllShapes, PoseVariants, testing::ValuesIn(AllVariants()),
                         [](const auto& info) { return test::VariantName(info.param); });

// Keys as the game may store them, against the keys a store writes back.
struct KeyRewrite {
  const char* name;
  int angle, x, y, z;        // as stored
  int newAngle, nx, ny, nz;  // after BuildPose and StorePose
};

TEST(StorePose, RewritesKeysIntoTheirCanonicalForm) {
  const KeyRewrite wide[] = {
      {"negative angle", -500, 0, 32767, 0, 500, 0, -32767, 0},
      {"angle zero", 0, 32767, 0, 0, 0, 0, 0, 32767},
      {"short axis", 500, 0, 16000, 0, 500, 0, 32767, 0},
      {"canonical", 800, 0, 0, -32767, 800, 0, 0, -32767},
  };
  for (bool axisOrder : {false, true}) {
    for (const KeyRewrite& c : wide) {
      SCOPED_TRACE(testing::Message() << c.name << (axisOrder ? " axis order" : ""));
      MotionDraft d;
      d.axisOrder = axisOrder;
      d.frameCount = 1;
      d.partNames = {"A"};
      const RotationKeyLayout layout = RotationLayout(true, axisOrder);
      std::vector<std::uint8_t> bytes = WriteMotion(d);
      TMOTfile m = Load(bytes);
      const std::size_t key = static_cast<std::size_t>(m.RotationTracksStart()) + 8;
      StoreI16(m.data() + key + layout.angleAt, static_cast<std::int16_t>(c.angle));
      StoreI16(m.data() + key + layout.xAt, static_cast<std::int16_t>(c.x));
      StoreI16(m.data() + key + layout.yAt, static_cast<std::int16_t>(c.y));
      StoreI16(m.data() + key + layout.zAt, static_cast<std::int16_t>(c.z));
      StorePose(BuildPose(m), m);
      EXPECT_EQ(LoadI16(m.data() + key + layout.angleAt), c.newAngle);
      EXPECT_EQ(LoadI16(m.data() + key + layout.xAt), c.nx);
      EXPECT_EQ(LoadI16(m.data() + key + layout.yAt), c.ny);
      EXPECT_EQ(LoadI16(m.data() + key + layout.zAt), c.nz);
    }
  }
}

TEST(StorePose, ZeroPositionIsNeverWritten) {
  MotionDraft d;
  d.frameCount = 3;
  d.partNames = {"Pelvis"};
  d.positionTracks = {{0}};
  Matrix placed = IdentityMatrix();
  placed[3][0] = 1;
  placed[3][1] = 2;
  placed[3][2] = 3;
  d.pose = {{placed, placed, placed}};
  TMOTfile m = Load(WriteMotion(d));
  TPoseTable pose = BuildPose(m);
  pose[0].Frames[0][3][0] = pose[0].Frames[0][3][1] = pose[0].Frames[0][3][2] = 0;  // exactly zero
  pose[0].Frames[1][3][0] = pose[0].Frames[1][3][1] = 0;                            // only x and y
  pose[0].Frames[2][3][2] = 0.5f;
  StorePose(pose, m);
  EXPECT_EQ(m.GetPosition(0, 0), (Vector3{1, 2, 3}));
  EXPECT_EQ(m.GetPosition(0, 1), (Vector3{0, 0, 3}));
  EXPECT_EQ(m.GetPosition(0, 2), (Vector3{1, 2, 0.5f}));
}

TEST(StorePose, SkipsRecordsWithoutFrames) {
  MotionDraft d;
  d.frameCount = 2;
  d.partNames = {"A", "B"};
  const std::vector<std::uint8_t> bytes = WriteMotion(d);
  TMOTfile m = Load(bytes);
  TPoseTable pose = BuildPose(m);
  const Matrix turned = MatrixRotationAxis({1, 0, 0}, 1.0f);
  pose[0].Frames = {turned, turned};
  pose[0].Allocated = false;
  pose[1].Frames.resize(1);
  pose[1].Frames[0] = turned;
  pose.push_back(pose[1]);  // a record the motion has no part for
  StorePose(pose, m);
  EXPECT_EQ(m.GetRotation(0, 0), IdentityMatrix());
  EXPECT_LT(MaxDifference(m.GetRotation(1, 0), turned), 0.003f);
  EXPECT_EQ(m.GetRotation(1, 1), IdentityMatrix());
}

}  // namespace
}  // namespace dravo
