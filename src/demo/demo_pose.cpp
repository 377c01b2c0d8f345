#include "demo/demo_pose.h"

#include <algorithm>
#include <cmath>

#include "demo/demo_math.h"

namespace dravo::demo {

namespace {

struct Quat {
  double w = 1, x = 0, y = 0, z = 0;
};

// Shepperd's method: square roots only.
Quat ToQuat(const Matrix& m) {
  const double t = m[0][0] + m[1][1] + m[2][2];
  Quat q;
  if (t > 0) {
    const double s = std::sqrt(t + 1.0) * 2;
    q = {0.25 * s, (m[1][2] - m[2][1]) / s, (m[2][0] - m[0][2]) / s, (m[0][1] - m[1][0]) / s};
  } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
    const double s = std::sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]) * 2;
    q = {(m[1][2] - m[2][1]) / s, 0.25 * s, (m[0][1] + m[1][0]) / s, (m[2][0] + m[0][2]) / s};
  } else if (m[1][1] > m[2][2]) {
    const double s = std::sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]) * 2;
    q = {(m[2][0] - m[0][2]) / s, (m[0][1] + m[1][0]) / s, 0.25 * s, (m[1][2] + m[2][1]) / s};
  } else {
    const double s = std::sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]) * 2;
    q = {(m[0][1] - m[1][0]) / s, (m[2][0] + m[0][2]) / s, (m[1][2] + m[2][1]) / s, 0.25 * s};
  }
  return q;
}

Matrix ToMatrix(Quat q) {
  const double n = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  const double w = q.w / n, x = q.x / n, y = q.y / n, z = q.z / n;
  Matrix m = IdentityMatrix();
  m[0][0] = static_cast<float>(1 - 2 * (y * y + z * z));
  m[0][1] = static_cast<float>(2 * (x * y + w * z));
  m[0][2] = static_cast<float>(2 * (x * z - w * y));
  m[1][0] = static_cast<float>(2 * (x * y - w * z));
  m[1][1] = static_cast<float>(1 - 2 * (x * x + z * z));
  m[1][2] = static_cast<float>(2 * (y * z + w * x));
  m[2][0] = static_cast<float>(2 * (x * z + w * y));
  m[2][1] = static_cast<float>(2 * (y * z - w * x));
  m[2][2] = static_cast<float>(1 - 2 * (x * x + y * y));
  return m;
}

// Normalised linear blend of two rotations.
Matrix Blend(const Matrix& a, const Matrix& b, double t) {
  Quat qa = ToQuat(a), qb = ToQuat(b);
  if (qa.w * qb.w + qa.x * qb.x + qa.y * qb.y + qa.z * qb.z < 0) qb = {-qb.w, -qb.x, -qb.y, -qb.z};
  return ToMatrix({Lerp(qa.w, qb.w, t), Lerp(qa.x, qb.x, t), Lerp(qa.y, qb.y, t), Lerp(qa.z, qb.z, t)});
}

Vector3 ForkAxisLocal() {
  return Normalize(Vec3(0.0f, -0.63f, 0.245f));
}

}  // namespace

std::vector<Matrix> MachineMatrices(MachineKind kind, const MachineState& s) {
  const Matrix root = RotationPart(s.turn) * MatrixTranslation(s.place.x, s.place.y, s.place.z);
  if (kind == MachineKind::Atv) {
    const Matrix steer = RotationY(s.steer);
    return {root,  RotationX(s.swing), RotationX(s.rearSpin),          RotationX(s.rearSpin),
            steer, IdentityMatrix(),   RotationX(s.frontSpin) * steer, RotationX(s.frontSpin) * steer};
  }
  const Vector3 slider = ForkAxisLocal() * static_cast<float>(0.40 - s.travel);
  return {root,
          RotationX(s.swing),
          RotationX(s.rearSpin),
          RotationY(s.steer),
          MatrixTranslation(slider.x, slider.y, slider.z),
          RotationX(s.frontSpin),
          IdentityMatrix(),
          IdentityMatrix()};
}

std::array<Vector3, 2> GripPositions(MachineKind kind, const MachineState& s) {
  const Skeleton skeleton = kind == MachineKind::Atv ? AtvSkeleton() : BikeSkeleton();
  const std::vector<Matrix> m = MachineMatrices(kind, s);
  // The machine's bones relative to its root, as the editor poses them: rotations replace the bind
  // rotations and keep the bind places.
  std::vector<Matrix> world(static_cast<std::size_t>(skeleton.size()));
  for (int i = 0; i < skeleton.size(); ++i) {
    if (i == 0) {
      world[0] = IdentityMatrix();
      continue;
    }
    const Vector3 rest = Translation(skeleton.local(i));
    const Matrix own = kind != MachineKind::Atv && skeleton[i].name == "Fork Slider"
                           ? m[static_cast<std::size_t>(i)]
                           : WithTranslation(RotationPart(m[static_cast<std::size_t>(i)]), rest);
    world[static_cast<std::size_t>(i)] = own * world[static_cast<std::size_t>(skeleton[i].parent)];
  }
  const Matrix& bars = world[static_cast<std::size_t>(skeleton.find("Handlebars"))];
  const float x = Contacts().rightGrip.x;
  const Vector3 along =
      Contacts().rightGrip - Vec3(x, 0, 0) - Translation(skeleton[skeleton.find("Handlebars")].world);
  return {TransformCoord(Vec3(-x, 0, 0) + along, bars), TransformCoord(Vec3(x, 0, 0) + along, bars)};
}

RiderPoser::RiderPoser() : m_skeleton(RiderSkeleton()) {
  for (const DemoBone& b : m_skeleton.bones())
    m_bindRotation.push_back(RotationPart(b.world));
}

void RiderPoser::reach(int upper, int lower, int end, Vector3 target, Vector3 bendHint,
                       std::vector<Matrix>& q, std::vector<Matrix>& d, float weight) const {
  const auto u = static_cast<std::size_t>(upper), l = static_cast<std::size_t>(lower),
             e = static_cast<std::size_t>(end);
  const auto p = static_cast<std::size_t>(m_skeleton[upper].parent);
  const Vector3 bu = Translation(m_skeleton[upper].world), bl = Translation(m_skeleton[lower].world),
                be = Translation(m_skeleton[end].world);
  const Vector3 s = m_origins[u];
  // The free pose as authored.
  const Matrix du = q[u] * d[p];
  const Vector3 elbowFree = s + TransformNormal(bl - bu, du);
  const Matrix dl = q[l] * du;
  const Vector3 endFree = elbowFree + TransformNormal(be - bl, dl);
  if (weight > 0.0f) {
    const Vector3 goal = Vec3Lerp(endFree, target, weight);
    const float l1 = Vec3Length(bl - bu), l2 = Vec3Length(be - bl);
    Vector3 toGoal = goal - s;
    float dist = Vec3Length(toGoal);
    const Vector3 dir = dist > 1e-6f ? toGoal * (1.0f / dist) : Vec3(0, -1, 0);
    dist = std::clamp(dist, std::fabs(l1 - l2) + 1e-3f, l1 + l2 - 1e-4f);
    const float a = (l1 * l1 - l2 * l2 + dist * dist) / (2 * dist);
    const float h = std::sqrt(std::max(0.0f, l1 * l1 - a * a));
    Vector3 pole = elbowFree - s;
    pole = pole - dir * Vec3Dot(pole, dir);
    if (Vec3Length(pole) < 1e-3f) pole = bendHint - dir * Vec3Dot(bendHint, dir);
    pole = Normalize(pole);
    const Vector3 elbow = s + dir * a + pole * h;
    const Vector3 hand = s + dir * dist;
    q[u] = RotationFromTo(bl - bu, TransformNormal(elbow - s, Transposed(d[p])));
    const Matrix du2 = q[u] * d[p];
    q[l] = RotationFromTo(be - bl, TransformNormal(hand - elbow, Transposed(du2)));
    // The hand or foot keeps its bind hold on the machine as it takes the grip or peg.
    const Matrix dl2 = q[l] * du2;
    q[e] = Blend(q[e], Transposed(dl2), weight);
  }
  d[u] = q[u] * d[p];
  m_origins[l] = s + TransformNormal(bl - bu, d[u]);
  d[l] = q[l] * d[u];
  m_origins[e] = m_origins[l] + TransformNormal(be - bl, d[l]);
  d[e] = q[e] * d[l];
}

std::vector<Matrix> RiderPoser::pose(const RiderKey& key, const std::array<Vector3, 2>& grips,
                                     const Matrix& follow) const {
  const std::size_t n = static_cast<std::size_t>(m_skeleton.size());
  std::vector<Matrix> q(n, IdentityMatrix()), d(n, IdentityMatrix());
  for (const auto& [name, turn] : key.turns) {
    const int bone = m_skeleton.find(name);
    if (bone >= 0) q[static_cast<std::size_t>(bone)] = Euler(turn.x, turn.y, turn.z);
  }
  m_origins.assign(n, Vec3(0, 0, 0));
  const ContactPoints& c = Contacts();
  const std::array<Vector3, 2> pegs = {c.leftPeg, c.rightPeg};
  std::vector<bool> done(n, false);
  for (std::size_t i = 0; i < n; ++i) {
    if (done[i]) continue;
    const DemoBone& b = m_skeleton[static_cast<int>(i)];
    if (b.parent < 0) {
      d[i] = q[i];
      m_origins[i] = Translation(b.world) + key.pelvis;
      continue;
    }
    const auto p = static_cast<std::size_t>(b.parent);
    m_origins[i] =
        m_origins[p] + TransformNormal(Translation(b.world) - Translation(m_skeleton[b.parent].world), d[p]);
    const bool arm = b.name.find("Upper Arm") != std::string::npos;
    const bool leg = b.name.find("Thigh") != std::string::npos;
    if (arm || leg) {
      const int side = b.name[0] == 'L' ? 0 : 1;
      const int upper = static_cast<int>(i);
      const Vector3 target = arm ? key.handTargets[static_cast<std::size_t>(side)].value_or(
                                       grips[static_cast<std::size_t>(side)])
                                 : key.footTargets[static_cast<std::size_t>(side)].value_or(
                                       pegs[static_cast<std::size_t>(side)]);
      // Arms reach for the end of the hand's first third (the grip sits in the palm); legs for the ankle
      // above the peg.
      const int lower = upper + 1, end = upper + 2;
      Vector3 goal = target;
      // Measured from the same side's hand or foot at rest: the left hand's offset to the right grip
      // would send it across the body.
      if (arm) {
        const Vector3 grip = side == 0 ? Contacts().leftGrip : Contacts().rightGrip;
        goal = target - (grip - Translation(m_skeleton[end].world));
      } else {
        const Vector3 peg = side == 0 ? Contacts().leftPeg : Contacts().rightPeg;
        goal = target + (Translation(m_skeleton[end].world) - peg);
      }
      const float weight =
          arm ? key.hands[static_cast<std::size_t>(side)] : key.feet[static_cast<std::size_t>(side)];
      const Vector3 bend = arm ? Vec3(side == 0 ? -1.0f : 1.0f, -0.3f, -0.3f) : Vec3(0, 0.2f, 1.0f);
      reach(upper, lower, end, goal, bend, q, d, weight);
      done[static_cast<std::size_t>(lower)] = done[static_cast<std::size_t>(end)] = true;
      continue;
    }
    d[i] = q[i] * d[p];
  }

  // The root carries the machine's turn and place when the rider is not attached to it.
  const Matrix followTurn = RotationPart(follow);
  const Vector3 pelvisBind = Translation(m_skeleton[0].world);
  const Vector3 pelvis = TransformCoord(pelvisBind + key.pelvis, follow);
  std::vector<Matrix> out(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (i == 0) {
      const Vector3 p = pelvis - pelvisBind;
      out[0] = q[0] * followTurn * MatrixTranslation(p.x, p.y, p.z);
    } else {
      out[i] = m_bindRotation[i] * q[i] * Transposed(m_bindRotation[i]);
    }
    m_origins[i] = TransformCoord(m_origins[i], follow);
  }
  return out;
}

RiderKey KeyAt(const std::vector<RiderKey>& keys, double frame) {
  if (frame <= keys.front().frame) return keys.front();
  if (frame >= keys.back().frame) return keys.back();
  std::size_t k = 0;
  while (k + 1 < keys.size() && keys[k + 1].frame <= frame)
    ++k;
  const RiderKey& a = keys[k];
  const RiderKey& b = keys[k + 1];
  const double t = Smooth((frame - a.frame) / (b.frame - a.frame));
  RiderKey out;
  out.frame = frame;
  auto find = [](const RiderKey& key, const std::string& name) {
    for (const auto& [n, v] : key.turns)
      if (n == name) return v;
    return Vec3(0, 0, 0);
  };
  std::vector<std::string> names;
  for (const RiderKey* key : {&a, &b})
    for (const auto& [n, v] : key->turns)
      if (std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
  for (const std::string& n : names)
    out.turns.emplace_back(n, Vec3Lerp(find(a, n), find(b, n), static_cast<float>(t)));
  out.pelvis = Vec3Lerp(a.pelvis, b.pelvis, static_cast<float>(t));
  for (std::size_t s = 0; s < 2; ++s) {
    out.hands[s] = static_cast<float>(Lerp(a.hands[s], b.hands[s], t));
    out.feet[s] = static_cast<float>(Lerp(a.feet[s], b.feet[s], t));
    // A target given on one side only holds on the other side too.
    const auto& ha = a.handTargets[s] ? a.handTargets[s] : b.handTargets[s];
    const auto& hb = b.handTargets[s] ? b.handTargets[s] : a.handTargets[s];
    if (ha && hb) out.handTargets[s] = Vec3Lerp(*ha, *hb, static_cast<float>(t));
    const auto& fa = a.footTargets[s] ? a.footTargets[s] : b.footTargets[s];
    const auto& fb = b.footTargets[s] ? b.footTargets[s] : a.footTargets[s];
    if (fa && fb) out.footTargets[s] = Vec3Lerp(*fa, *fb, static_cast<float>(t));
  }
  return out;
}

}  // namespace dravo::demo
