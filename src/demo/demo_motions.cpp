#include "demo/demo_motions.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

#include "demo/demo_math.h"
#include "demo/demo_pose.h"
#include "motion/mot_writer.h"

namespace dravo::demo {

namespace {

struct Variant {
  std::int32_t version;
  bool wide;
  bool axisOrder;
};

using MachineFn = std::function<MachineState(double frame)>;

struct Trick {
  MachineKind kind;
  std::string name;
  int riderFrames = 0;  // 0: the game has no rider motion for it
  std::vector<RiderKey> keys;
  bool pelvisTrack = true;
  bool attached = false;
  Variant riderVariant{-6, true, false};
  int machineFrames = 0;  // 0: no machine motion of its own
  MachineFn machine;
  bool rootTrack = false;
  bool sliderTrack = false;
  Variant machineVariant{-6, true, false};
};

Trick NewTrick(MachineKind kind, std::string name) {
  Trick t;
  t.kind = kind;
  t.name = std::move(name);
  return t;
}

const char* RiderPrefix(MachineKind k) {
  switch (k) {
    case MachineKind::Atv:
      return "atv_";
    case MachineKind::Freestyle:
      return "mxf_";
    default:
      return "mx_";
  }
}

const char* MachinePrefix(MachineKind k) {
  switch (k) {
    case MachineKind::Atv:
      return "atv_bike_";
    case MachineKind::Freestyle:
      return "mxf_bike_";
    default:
      return "bike_";
  }
}

// Rider motions list the pelvis first, then legs before arms: the editor binds parts to bones by name,
// whatever their order.
const std::vector<std::string>& RiderPartOrder() {
  static const std::vector<std::string> order = {
      "Pelvis",      "Lower Torso", "Upper Torso", "Neck",       "Head",        "L Thigh",   "L Calf",
      "L Foot",      "L Toes",      "R Thigh",     "R Calf",     "R Foot",      "R Toes",    "L Clavicle",
      "L Upper Arm", "L Forearm",   "L Hand",      "R Clavicle", "R Upper Arm", "R Forearm", "R Hand"};
  return order;
}

using Turns = std::vector<std::pair<std::string, Vector3>>;

RiderKey Key(double frame, Turns turns = {}, Vector3 pelvis = {}, std::array<float, 2> hands = {1, 1},
             std::array<float, 2> feet = {1, 1}) {
  RiderKey k;
  k.frame = frame;
  k.turns = std::move(turns);
  k.pelvis = pelvis;
  k.hands = hands;
  k.feet = feet;
  return k;
}

// A bump 0 -> 1 -> 0 over [a, b], smooth at both ends.
double Arc(double f, double a, double b) {
  if (f <= a || f >= b) return 0;
  const double u = (f - a) / (b - a);
  return 4 * u * (1 - u);
}

double Ramp(double f, double a, double b) {
  return Smooth((f - a) / (b - a));
}

// The root turning about a pivot (model space) and lifted.
MachineState Flight(const Matrix& turn, Vector3 pivot, double lift) {
  MachineState s;
  s.turn = turn;
  s.place = pivot - TransformNormal(pivot, turn) + Vec3(0, static_cast<float>(lift), 0);
  return s;
}

std::vector<Trick> Tricks() {
  std::vector<Trick> t;
  const auto V = [](std::int32_t version, bool wide, bool axisOrder) {
    return Variant{version, wide, axisOrder};
  };

  // ---- Motocross ----
  {
    Trick k = NewTrick(MachineKind::Motocross, "nacnac");
    k.riderFrames = 40;
    k.riderVariant = V(-6, true, false);
    const Turns lift = {
        {"R Thigh", {-35, 0, 0}}, {"R Calf", {20, 0, 0}}, {"Pelvis", {0, 0, 4}}, {"Lower Torso", {5, 0, 0}}};
    const Turns over = {{"R Thigh", {-40, 180, 0}}, {"R Calf", {-55, 0, 0}},     {"R Foot", {20, 0, 0}},
                        {"Pelvis", {0, 0, 5}},      {"Lower Torso", {0, 0, -3}}, {"Head", {0, -25, 0}}};
    Turns hold = over;
    hold.back() = {"Head", {0, -35, 0}};
    k.keys = {Key(0),
              Key(8, lift, {-0.03f, 0.07f, 0}, {1, 1}, {1, 0}),
              Key(17, over, {-0.04f, 0.10f, 0}, {1, 1}, {1, 0}),
              Key(26, hold, {-0.04f, 0.10f, 0}, {1, 1}, {1, 0}),
              Key(33, lift, {-0.03f, 0.07f, 0}, {1, 1}, {1, 0}),
              Key(39)};
    t.push_back(k);
  }
  {
    Trick k = NewTrick(MachineKind::Motocross, "heelclicker");
    k.riderFrames = 36;
    k.pelvisTrack = false;
    k.riderVariant = V(-6, false, false);
    auto legs = [](float in) {
      return Turns{{"L Thigh", {-45, in, 0}}, {"R Thigh", {-45, -in, 0}}, {"L Calf", {-60, 0, 0}},
                   {"R Calf", {-60, 0, 0}},   {"L Foot", {-20, 0, 0}},    {"R Foot", {-20, 0, 0}},
                   {"Pelvis", {-15, 0, 0}},   {"Head", {12, 0, 0}}};
    };
    k.keys = {Key(0),
              Key(9, legs(12), {}, {1, 1}, {0, 0}),
              Key(14, legs(21), {}, {1, 1}, {0, 0}),
              Key(21, legs(21), {}, {1, 1}, {0, 0}),
              Key(27, legs(12), {}, {1, 1}, {0, 0}),
              Key(35)};
    t.push_back(k);
  }
  {
    // Rider 30 frames, bike 60: the editor shows the bike at the proportional frame.
    Trick k = NewTrick(MachineKind::Motocross, "superman");
    k.riderFrames = 30;
    k.riderVariant = V(-7, true, false);
    const Turns crouch = {{"Lower Torso", {15, 0, 0}}, {"L Thigh", {-10, 0, 0}}, {"R Thigh", {-10, 0, 0}}};
    const Turns fly = {{"Pelvis", {60, 0, 0}},  {"L Thigh", {85, 4, 0}}, {"R Thigh", {85, -4, 0}},
                       {"L Calf", {-95, 0, 0}}, {"R Calf", {-95, 0, 0}}, {"L Foot", {40, 0, 0}},
                       {"R Foot", {40, 0, 0}},  {"Head", {-45, 0, 0}},   {"Lower Torso", {-5, 0, 0}}};
    Turns stretch = fly;
    stretch[1].second.x = 92;
    stretch[2].second.x = 92;
    k.keys = {Key(0),
              Key(6, crouch, {0, 0.08f, 0.02f}),
              Key(13, fly, {0, 0.32f, -0.12f}, {1, 1}, {0, 0}),
              Key(19, stretch, {0, 0.34f, -0.14f}, {1, 1}, {0, 0}),
              Key(25, crouch, {0, 0.08f, 0.02f}),
              Key(29)};
    k.machineFrames = 60;
    k.sliderTrack = true;
    k.machineVariant = V(-7, false, false);
    k.machine = [](double f) {
      MachineState s;
      s.frontSpin = 0.30 * f;
      s.rearSpin = 0.34 * f;
      s.travel = -0.035 * Arc(f, 4, 56);
      s.swing = -0.07 * Arc(f, 4, 56);
      s.steer = Radians(4) * Sin(f * 0.21) * Arc(f, 10, 50);
      return s;
    };
    t.push_back(k);
  }
  {
    // The machine turns a full turn backwards; the rider is attached and follows it.
    Trick k = NewTrick(MachineKind::Motocross, "backflip");
    k.riderFrames = 48;
    k.attached = true;
    k.riderVariant = V(-7, true, true);
    const Turns tuck = {{"Lower Torso", {20, 0, 0}},
                        {"Upper Torso", {10, 0, 0}},
                        {"Head", {-30, 0, 0}},
                        {"L Thigh", {-12, 0, 0}},
                        {"R Thigh", {-12, 0, 0}}};
    k.keys = {Key(0),
              Key(6, {{"Pelvis", {-12, 0, 0}}, {"Head", {-10, 0, 0}}}),
              Key(14, tuck, {0, 0.04f, 0.03f}),
              Key(34, tuck, {0, 0.04f, 0.03f}),
              Key(42, {{"Pelvis", {-5, 0, 0}}, {"L Thigh", {5, 0, 0}}, {"R Thigh", {5, 0, 0}}}),
              Key(47)};
    k.machineFrames = 48;
    k.rootTrack = true;
    k.sliderTrack = true;
    k.machineVariant = V(-6, true, false);
    k.machine = [](double f) {
      MachineState s =
          Flight(RotationX(-2 * kDemoPi * Ramp(f, 6, 40)), Vec3(0, 0.75f, 0), 1.6 * Arc(f, 3, 45));
      s.frontSpin = 0.25 * f;
      s.rearSpin = 0.3 * f;
      s.travel = 0.09 * Arc(f, 43, 47.5) - 0.03 * Arc(f, 4, 42);
      s.swing = -0.06 * Arc(f, 4, 42);
      return s;
    };
    t.push_back(k);
  }
  {
    Trick k = NewTrick(MachineKind::Motocross, "threesixty");
    k.riderFrames = 40;
    k.riderVariant = V(-3, true, false);
    const Turns lean = {{"Head", {0, 25, 0}}, {"Lower Torso", {0, 10, -6}}};
    k.keys = {Key(0), Key(6, lean, {0, 0.03f, 0}), Key(34, lean, {0, 0.03f, 0}), Key(39)};
    k.machineFrames = 40;
    k.rootTrack = true;
    k.machineVariant = V(-3, false, true);
    k.machine = [](double f) {
      MachineState s = Flight(RotationY(2 * kDemoPi * Ramp(f, 4, 36)), Vec3(0, 0.6f, 0), 1.2 * Arc(f, 2, 38));
      s.frontSpin = 0.25 * f;
      s.rearSpin = 0.25 * f;
      return s;
    };
    t.push_back(k);
  }
  for (int dir : {1, -1}) {
    Trick k = NewTrick(MachineKind::Motocross, dir > 0 ? "threesixtyl" : "threesixtyr");
    k.riderFrames = 44;
    k.riderVariant = dir > 0 ? V(-3, false, false) : V(-3, true, true);
    const Turns tuck = {{"Lower Torso", {12, 0, 0}},
                        {"Head", {-10, 0, 10.0f * static_cast<float>(dir)}},
                        {"L Thigh", {-8, 6, 0}},
                        {"R Thigh", {-8, -6, 0}}};
    k.keys = {Key(0), Key(7, tuck, {0, 0.03f, 0}), Key(37, tuck, {0, 0.03f, 0}), Key(43)};
    k.machineFrames = 44;
    k.rootTrack = true;
    k.machineVariant = dir > 0 ? V(-7, false, true) : V(-6, true, true);
    k.machine = [dir](double f) {
      MachineState s =
          Flight(RotationZ(2 * kDemoPi * dir * Ramp(f, 5, 39)), Vec3(0, 0.8f, 0), 1.5 * Arc(f, 2, 42));
      s.frontSpin = 0.25 * f;
      s.rearSpin = 0.25 * f;
      return s;
    };
    t.push_back(k);
  }
  {
    // Listed in motions.ini under a key the catalogue does not read.
    Trick k = NewTrick(MachineKind::Motocross, "cancan");
    k.riderFrames = 36;
    k.riderVariant = V(-6, false, true);
    const Turns kick = {
        {"L Thigh", {-55, 60, 0}}, {"L Calf", {-70, 0, 0}}, {"Pelvis", {0, 0, -8}}, {"Head", {0, 15, 0}}};
    k.keys = {Key(0), Key(10, kick, {0.04f, 0.06f, 0}, {1, 1}, {0, 1}),
              Key(24, kick, {0.04f, 0.06f, 0}, {1, 1}, {0, 1}), Key(35)};
    t.push_back(k);
  }
  {
    // The game lacks the rider's half of this one.
    Trick k = NewTrick(MachineKind::Motocross, "lazyboy");
    k.machineFrames = 40;
    k.rootTrack = true;
    k.machineVariant = V(-3, true, false);
    k.machine = [](double f) {
      MachineState s = Flight(RotationX(Radians(-12) * Arc(f, 3, 37)), Vec3(0, 0.6f, 0), 0.8 * Arc(f, 2, 38));
      s.frontSpin = 0.2 * f;
      s.rearSpin = 0.2 * f;
      return s;
    };
    t.push_back(k);
  }

  // ---- ATV ----
  {
    Trick k = NewTrick(MachineKind::Atv, "coffin");
    k.riderFrames = 44;
    k.riderVariant = V(-7, true, false);
    const Turns lie = {
        {"Pelvis", {-100, 0, 0}},       {"Lower Torso", {-5, 0, 0}},   {"Head", {55, 0, 0}},
        {"L Thigh", {62, 8, 0}},        {"R Thigh", {62, -8, 0}},      {"L Calf", {-95, 0, 0}},
        {"R Calf", {-95, 0, 0}},        {"L Foot", {-30, 0, 0}},       {"R Foot", {-30, 0, 0}},
        {"L Upper Arm", {-50, 0, -20}}, {"R Upper Arm", {-50, 0, 20}}, {"L Forearm", {-100, 0, 0}},
        {"R Forearm", {-100, 0, 0}}};
    k.keys = {Key(0), Key(10, lie, {0, 0.06f, -0.10f}, {0, 0}, {0, 0}),
              Key(32, lie, {0, 0.06f, -0.10f}, {0, 0}, {0, 0}), Key(43)};
    k.machineFrames = 44;
    k.rootTrack = true;
    k.machineVariant = V(-7, false, false);
    k.machine = [](double f) {
      MachineState s = Flight(RotationX(Radians(-8) * Arc(f, 3, 41)), Vec3(0, 0.5f, 0), 0.9 * Arc(f, 3, 41));
      s.frontSpin = 0.3 * f;
      s.rearSpin = 0.3 * f;
      s.swing = -0.08 * Arc(f, 3, 41);
      return s;
    };
    t.push_back(k);
  }
  {
    Trick k = NewTrick(MachineKind::Atv, "heelclicker");
    k.riderFrames = 36;
    k.pelvisTrack = false;
    k.riderVariant = V(-3, false, false);
    auto legs = [](float in) {
      return Turns{{"L Thigh", {-42, in, 0}}, {"R Thigh", {-42, -in, 0}}, {"L Calf", {-62, 0, 0}},
                   {"R Calf", {-62, 0, 0}},   {"Pelvis", {-12, 0, 0}},    {"Head", {10, 0, 0}}};
    };
    k.keys = {Key(0),
              Key(9, legs(12), {}, {1, 1}, {0, 0}),
              Key(15, legs(22), {}, {1, 1}, {0, 0}),
              Key(21, legs(22), {}, {1, 1}, {0, 0}),
              Key(27, legs(12), {}, {1, 1}, {0, 0}),
              Key(35)};
    t.push_back(k);
  }
  {
    Trick k = NewTrick(MachineKind::Atv, "nohander");
    k.riderFrames = 40;
    k.riderVariant = V(-6, true, true);
    const Turns spread = {{"L Upper Arm", {0, 0, -75}}, {"R Upper Arm", {0, 0, 75}},
                          {"L Forearm", {0, 0, -10}},   {"R Forearm", {0, 0, 10}},
                          {"Head", {-10, 0, 0}},        {"Lower Torso", {-8, 0, 0}}};
    k.keys = {Key(0), Key(8, spread, {0, 0.10f, 0.02f}, {0, 0}), Key(31, spread, {0, 0.10f, 0.02f}, {0, 0}),
              Key(39)};
    k.machineFrames = 40;
    k.rootTrack = true;
    k.machineVariant = V(-3, true, true);
    k.machine = [](double f) {
      MachineState s = Flight(RotationX(Radians(-5) * Arc(f, 2, 38)), Vec3(0, 0.5f, 0), 0.5 * Arc(f, 2, 38));
      s.frontSpin = 0.3 * f;
      s.rearSpin = 0.3 * f;
      s.steer = Radians(5) * Sin(f * 0.3) * Arc(f, 6, 34);
      return s;
    };
    t.push_back(k);
  }

  // ---- Freestyle ----
  const Vector3 leftGrab = Vec3(-0.085f, 0.975f, -0.66f), rightGrab = Vec3(0.085f, 0.975f, -0.66f);
  {
    Trick k = NewTrick(MachineKind::Freestyle, "cliffhanger");
    k.riderFrames = 50;
    k.riderVariant = V(-7, true, true);
    const Turns up = {{"Pelvis", {-45, 0, 0}},        {"L Thigh", {25, 0, 0}},
                      {"R Thigh", {25, 0, 0}},        {"L Upper Arm", {-165, 0, -25}},
                      {"R Upper Arm", {-165, 0, 25}}, {"L Forearm", {-10, 0, 0}},
                      {"R Forearm", {-10, 0, 0}},     {"Head", {20, 0, 0}}};
    RiderKey hook = Key(12, up, {0, 0.62f, -0.35f}, {0, 0}, {1, 1});
    hook.footTargets = {Vec3(-0.13f, 1.04f, 0.36f), Vec3(0.13f, 1.04f, 0.36f)};
    RiderKey hold = hook;
    hold.frame = 34;
    k.keys = {Key(0), hook, hold, Key(49)};
    t.push_back(k);
  }
  {
    Trick k = NewTrick(MachineKind::Freestyle, "heartattack");
    k.riderFrames = 46;
    k.riderVariant = V(-6, true, false);
    const Turns pull = {{"Pelvis", {40, 0, 0}}, {"L Thigh", {20, 0, 0}}, {"R Thigh", {20, 0, 0}}};
    const Turns stand = {{"Pelvis", {155, 0, 0}},  {"L Thigh", {87, 3, 0}},  {"R Thigh", {87, -3, 0}},
                         {"L Calf", {-100, 0, 0}}, {"R Calf", {-100, 0, 0}}, {"L Foot", {30, 0, 0}},
                         {"R Foot", {30, 0, 0}},   {"Head", {-20, 0, 0}}};
    RiderKey grab = Key(8, pull, {0, 0.25f, -0.25f}, {1, 1}, {0, 0});
    grab.handTargets = {leftGrab, rightGrab};
    RiderKey top = Key(16, stand, {0, 1.10f, -0.42f}, {1, 1}, {0, 0});
    top.handTargets = {leftGrab, rightGrab};
    RiderKey hold = top;
    hold.frame = 30;
    RiderKey down = Key(37, pull, {0, 0.25f, -0.25f}, {0, 0}, {0, 0});
    k.keys = {Key(0, {}, {}, {0.5f, 0.5f}), grab, top, hold, down, Key(45)};
    k.machineFrames = 46;
    k.rootTrack = true;
    k.machineVariant = V(-7, false, true);
    k.machine = [](double f) {
      MachineState s = Flight(RotationX(Radians(10) * Arc(f, 3, 43)), Vec3(0, 0.6f, 0), 1.0 * Arc(f, 3, 43));
      s.frontSpin = 0.25 * f;
      s.rearSpin = 0.3 * f;
      return s;
    };
    t.push_back(k);
  }
  {
    Trick k = NewTrick(MachineKind::Freestyle, "supermanseatgrab");
    k.riderFrames = 40;
    k.riderVariant = V(-3, false, true);
    const Turns fly = {{"Pelvis", {60, 0, 0}},  {"L Thigh", {88, 4, 0}}, {"R Thigh", {88, -4, 0}},
                       {"L Calf", {-95, 0, 0}}, {"R Calf", {-95, 0, 0}}, {"L Foot", {40, 0, 0}},
                       {"R Foot", {40, 0, 0}},  {"Head", {-45, 0, 0}}};
    RiderKey reach = Key(8, {{"Lower Torso", {15, 0, 0}}}, {0, 0.1f, 0}, {1, 0}, {1, 1});
    RiderKey full = Key(15, fly, {0, 0.33f, -0.14f}, {1, 1}, {0, 0});
    full.handTargets[1] = rightGrab;
    RiderKey hold = full;
    hold.frame = 27;
    RiderKey back = Key(33, {{"Lower Torso", {15, 0, 0}}}, {0, 0.1f, 0}, {1, 0}, {1, 1});
    k.keys = {Key(0), reach, full, hold, back, Key(39)};
    t.push_back(k);
  }
  return t;
}

// The pose of the machine at one of its frames.
std::vector<std::vector<Matrix>> MachinePoses(MachineKind kind, int frames, const MachineFn& fn) {
  std::vector<std::vector<Matrix>> pose;
  for (int f = 0; f < frames; ++f) {
    const std::vector<Matrix> m = MachineMatrices(kind, fn(f));
    if (pose.empty()) pose.resize(m.size());
    for (std::size_t b = 0; b < m.size(); ++b)
      pose[b].push_back(m[b]);
  }
  return pose;
}

MotionFile Write(const std::string& name, const Variant& v, int frames, std::vector<std::string> parts,
                 std::vector<MotionTrack> positions, std::vector<std::vector<Matrix>> pose) {
  MotionDraft d;
  d.version = v.version;
  d.headerWord = 1;
  d.frameCount = frames;
  d.wideKeys = v.wide;
  d.axisOrder = v.axisOrder;
  d.parameterFloat = 30.0f;
  d.partNames = std::move(parts);
  d.positionTracks = std::move(positions);
  d.pose = std::move(pose);
  return {name, WriteMotion(d), v.version, v.wide, v.axisOrder, frames};
}

MotionFile MachineMotion(MachineKind kind, const std::string& name, const Variant& v, int frames,
                         const MachineFn& fn, bool rootTrack, bool sliderTrack) {
  const std::vector<std::string>& bones = kind == MachineKind::Atv ? AtvBoneNames() : BikeBoneNames();
  std::vector<MotionTrack> positions;
  if (rootTrack) positions.push_back({0, -1});
  if (sliderTrack && kind != MachineKind::Atv) positions.push_back({4, -1});
  return Write(name, v, frames, bones, positions, MachinePoses(kind, frames, fn));
}

MotionFile RiderMotion(const Trick& k, const RiderPoser& poser) {
  const std::vector<std::string>& bones = RiderBoneNames();
  const std::vector<std::string>& order = RiderPartOrder();
  std::vector<std::vector<Matrix>> pose(order.size());
  const MachineKind machineKind = k.kind == MachineKind::Atv ? MachineKind::Atv : MachineKind::Motocross;
  for (int f = 0; f < k.riderFrames; ++f) {
    MachineState machine;
    if (k.machineFrames > 0) {
      // The editor shows a machine motion of another length at the proportional frame.
      const double mf = std::nearbyint(static_cast<double>(k.machineFrames) * f / k.riderFrames);
      machine = k.machine(std::min(mf, static_cast<double>(k.machineFrames - 1)));
    }
    RiderKey key = KeyAt(k.keys, f);
    if (!k.pelvisTrack) key.pelvis = {};
    const Matrix follow = k.attached
                              ? IdentityMatrix()
                              : RotationPart(machine.turn) *
                                    MatrixTranslation(machine.place.x, machine.place.y, machine.place.z);
    const std::vector<Matrix> bonesPose = poser.pose(key, GripPositions(machineKind, machine), follow);
    for (std::size_t p = 0; p < order.size(); ++p) {
      const auto it = std::find(bones.begin(), bones.end(), order[p]);
      pose[p].push_back(bonesPose[static_cast<std::size_t>(it - bones.begin())]);
    }
  }
  std::vector<MotionTrack> positions;
  if (k.pelvisTrack) positions.push_back({0, -1});
  return Write(std::string(RiderPrefix(k.kind)) + k.name + ".mot", k.riderVariant, k.riderFrames, order,
               positions, pose);
}

}  // namespace

std::vector<MotionFile> BuildMotionFiles() {
  std::vector<MotionFile> files;
  const RiderPoser poser;
  for (const Trick& k : Tricks()) {
    if (k.riderFrames > 0) files.push_back(RiderMotion(k, poser));
    if (k.machineFrames > 0) {
      const MachineKind kind = k.kind == MachineKind::Atv ? MachineKind::Atv : MachineKind::Motocross;
      files.push_back(MachineMotion(kind, std::string(MachinePrefix(k.kind)) + k.name + ".mot",
                                    k.machineVariant, k.machineFrames, k.machine, k.rootTrack,
                                    k.sliderTrack));
    }
  }
  // The default machine motions, shown under tricks without a machine motion of their own.
  files.push_back(MachineMotion(
      MachineKind::Motocross, "bike.mot", {-6, true, false}, 30,
      [](double f) {
        MachineState s;
        s.place = Vec3(0, static_cast<float>(0.01 * Sin(f * 0.42)), 0);
        s.frontSpin = 0.25 * f;
        s.rearSpin = 0.25 * f;
        s.travel = 0.01 * Sin(f * 0.42);
        return s;
      },
      true, true));
  files.push_back(MachineMotion(
      MachineKind::Atv, "atv_bike_idle.mot", {-6, false, false}, 30,
      [](double f) {
        MachineState s;
        s.frontSpin = 0.2 * f;
        s.rearSpin = 0.2 * f;
        s.swing = 0.02 * Sin(f * 0.42);
        return s;
      },
      false, false));
  return files;
}

const std::vector<DemoTrick>& OfferedTricks() {
  static const std::vector<DemoTrick> tricks = {{MachineKind::Motocross, "nacnac", false, false},
                                                {MachineKind::Motocross, "heelclicker", false, false},
                                                {MachineKind::Motocross, "superman", false, true},
                                                {MachineKind::Motocross, "backflip", true, true},
                                                {MachineKind::Motocross, "threesixty", false, true},
                                                {MachineKind::Motocross, "threesixtyl", false, true},
                                                {MachineKind::Motocross, "threesixtyr", false, true},
                                                {MachineKind::Atv, "coffin", false, true},
                                                {MachineKind::Atv, "heelclicker", false, false},
                                                {MachineKind::Atv, "nohander", false, true},
                                                {MachineKind::Freestyle, "cliffhanger", false, false},
                                                {MachineKind::Freestyle, "heartattack", false, true},
                                                {MachineKind::Freestyle, "supermanseatgrab", false, false}};
  return tricks;
}

}  // namespace dravo::demo
