#include "demo/demo_machines.h"

#include <cmath>
#include <initializer_list>

#include "demo/demo_math.h"
#include "demo/demo_models.h"

namespace dravo::demo {

namespace {

// A bent tube through the points.
void Pipe(MeshBuilder& m, std::initializer_list<Vector3> points, float r, int sides, const Painter& paint) {
  const Vector3* prev = nullptr;
  for (const Vector3& p : points) {
    if (prev) m.tube(*prev, p, r, r, r, r, sides, Vec3(0, 1, 0), paint);
    prev = &p;
  }
}

// A thin plate following a path of cross sections: each section is a centre and half width along x.
void ArchPlate(MeshBuilder& m, const std::vector<Vector3>& centres, float halfWidth, float thickness,
               const Painter& paint) {
  std::vector<std::vector<Vector3>> rings;
  for (Vector3 c : centres)
    rings.push_back({c + Vec3(-halfWidth, 0, 0), c + Vec3(halfWidth, 0, 0), c + Vec3(halfWidth, thickness, 0),
                     c + Vec3(-halfWidth, thickness, 0)});
  m.loft(rings, paint, true, true);
}

// A flap hanging from the edge of a plate at `x` (relative to the sections' centres).
void Skirt(MeshBuilder& m, const std::vector<Vector3>& centres, float x, float depth, const Painter& paint) {
  std::vector<std::vector<Vector3>> rings;
  const float t = x > 0 ? 0.015f : -0.015f;
  for (Vector3 c : centres)
    rings.push_back({c + Vec3(x, 0.01f, 0), c + Vec3(x + t, 0.01f, 0), c + Vec3(x + t, -depth, 0),
                     c + Vec3(x, -depth, 0)});
  m.loft(rings, paint, true, true);
}

// The fork's axis (steering head towards front axle) in the fork's own frame.
Vector3 ForkAxis() {
  return Normalize(Vec3(0.0f, -0.63f, 0.245f));
}

void Handlebar(MeshBuilder& m, const Skin& skin, int sides, float padHeight) {
  const Painter metal = skin.painter("metal"), rubber = skin.painter("rubber");
  m.tube(Vec3(-0.14f, 0.035f, -0.01f), Vec3(0.14f, 0.035f, -0.01f), 0.016f, 0.016f, 0.016f, 0.016f, sides,
         Vec3(0, 1, 0), metal);
  for (float s : {-1.0f, 1.0f}) {
    m.tube(Vec3(0.14f * s, 0.035f, -0.01f), Vec3(0.30f * s, 0.0f, 0.0f), 0.015f, 0.015f, 0.014f, 0.014f,
           sides, Vec3(0, 1, 0), metal);
    m.tube(Vec3(0.285f * s, 0.0f, 0.0f), Vec3(0.415f * s, 0.0f, 0.0f), 0.021f, 0.021f, 0.021f, 0.021f, sides,
           Vec3(0, 1, 0), rubber);
    // Clutch and brake levers reaching forward of the grips.
    m.box(Vec3(0.34f * s, 0.005f, 0.055f), Vec3(0.065f, 0.006f, 0.01f), metal);
    // Risers down to the top clamp.
    m.box(Vec3(0.04f * s, -0.05f, 0.0f), Vec3(0.014f, 0.05f, 0.014f), metal);
  }
  m.box(Vec3(0, 0.04f + padHeight, -0.01f), Vec3(0.075f, 0.024f + padHeight, 0.024f), skin.painter("spring"));
}

}  // namespace

Skeleton SingleBoneSkeleton(const std::string& name) {
  Skeleton s;
  s.add(name, -1, IdentityMatrix());
  return s;
}

const std::vector<std::string>& BikeBoneNames() {
  static const std::vector<std::string> names = {"Frame",       "Swing Arm",   "Rear Wheel", "Fork",
                                                 "Fork Slider", "Front Wheel", "Handlebars", "Shock"};
  return names;
}

const std::vector<std::string>& AtvBoneNames() {
  static const std::vector<std::string> names = {"Frame",          "Swing Arm",      "Rear Left Hub",
                                                 "Rear Right Hub", "Steering",       "Handlebars",
                                                 "Front Left Hub", "Front Right Hub"};
  return names;
}

Skeleton BikeSkeleton() {
  Skeleton s;
  auto at = [](float x, float y, float z) { return MatrixTranslation(x, y, z); };
  const int frame = s.add("Frame", -1, IdentityMatrix());
  const int swing = s.add("Swing Arm", frame, at(0, 0.42f, -0.10f));
  s.add("Rear Wheel", swing, at(0, 0.35f, -0.745f));
  const int fork = s.add("Fork", frame, at(0, 0.99f, 0.50f));
  const Vector3 slider = Vec3(0, 0.99f, 0.50f) + ForkAxis() * 0.40f;
  const int lower = s.add("Fork Slider", fork, at(slider.x, slider.y, slider.z));
  s.add("Front Wheel", lower, at(0, 0.36f, 0.745f));
  s.add("Handlebars", fork, at(0, 1.12f, 0.445f));
  s.add("Shock", frame, at(0, 0.78f, -0.08f));
  return s;
}

Skeleton AtvSkeleton() {
  Skeleton s;
  auto at = [](float x, float y, float z) { return MatrixTranslation(x, y, z); };
  const int frame = s.add("Frame", -1, IdentityMatrix());
  const int swing = s.add("Swing Arm", frame, at(0, 0.40f, -0.15f));
  s.add("Rear Left Hub", swing, at(-0.45f, 0.27f, -0.64f));
  s.add("Rear Right Hub", swing, at(0.45f, 0.27f, -0.64f));
  const int steering = s.add("Steering", frame, at(0, 0.70f, 0.50f));
  s.add("Handlebars", steering, at(0, 1.12f, 0.445f));
  s.add("Front Left Hub", frame, at(-0.44f, 0.27f, 0.62f));
  s.add("Front Right Hub", frame, at(0.44f, 0.27f, 0.62f));
  return s;
}

void BuildBikeGeometry(const Skeleton& s, const MachineDress& d) {
  const int n = d.sides;
  const int frame = s.find("Frame");
  const Vector3 axis = ForkAxis();

  if (d.engine.mesh) {
    MeshBuilder& m = *d.engine.mesh;
    const Skin& k = *d.engine.skin;
    const Painter engine = k.painter("engine"), frameTube = k.painter("frame"),
                  exhaust = k.painter("exhaust"), black = k.painter("black");
    m.bone(frame);
    m.box(Vec3(0, 0.46f, 0.10f), Vec3(0.10f, 0.11f, 0.17f), engine);
    m.box(Vec3(0.115f, 0.45f, 0.07f), Vec3(0.02f, 0.075f, 0.085f), exhaust);
    // Cylinder leaning forward, its head in black.
    m.bone(frame, Euler(15, 0, 0) * MatrixTranslation(0, 0.55f, 0.19f));
    m.block(0.0f, 0.15f, 0.075f, 0.07f, 0.07f, 0.065f, engine);
    m.block(0.15f, 0.20f, 0.08f, 0.072f, 0.06f, 0.055f, black);
    m.bone(frame);
    for (float sd : {-1.0f, 1.0f}) {
      Pipe(m,
           {MirrorX(Vec3(0.04f, 0.96f, 0.47f), sd), MirrorX(Vec3(0.11f, 0.83f, 0.02f), sd),
            MirrorX(Vec3(0.11f, 0.42f, -0.10f), sd)},
           0.028f, 6, frameTube);
      Pipe(m,
           {Vec3(0, 0.52f, 0.30f), MirrorX(Vec3(0.06f, 0.33f, 0.18f), sd),
            MirrorX(Vec3(0.08f, 0.33f, -0.08f), sd), MirrorX(Vec3(0.10f, 0.42f, -0.10f), sd)},
           0.02f, 6, frameTube);
      Pipe(m, {MirrorX(Vec3(0.10f, 0.80f, -0.05f), sd), MirrorX(Vec3(0.07f, 0.88f, -0.55f), sd)}, 0.016f, 6,
           frameTube);
      Pipe(m, {MirrorX(Vec3(0.10f, 0.55f, -0.12f), sd), MirrorX(Vec3(0.07f, 0.86f, -0.45f), sd)}, 0.014f, 6,
           frameTube);
      // Radiators behind the shrouds, and the foot pegs.
      m.box(MirrorX(Vec3(0.115f, 0.76f, 0.36f), sd), Vec3(0.02f, 0.11f, 0.075f), black);
      m.box(MirrorX(Vec3(0.235f, 0.335f, 0.04f), sd), Vec3(0.045f, 0.012f, 0.03f), black);
    }
    Pipe(m, {Vec3(0, 0.95f, 0.46f), Vec3(0, 0.52f, 0.30f)}, 0.03f, 6, frameTube);
    Pipe(m,
         {Vec3(0.04f, 0.70f, 0.31f), Vec3(0.09f, 0.55f, 0.37f), Vec3(0.15f, 0.42f, 0.24f),
          Vec3(0.16f, 0.46f, 0.02f), Vec3(0.17f, 0.565f, -0.19f)},
         0.024f, 6, exhaust);
    m.tube(Vec3(0.17f, 0.56f, -0.16f), Vec3(0.17f, 0.71f, -0.68f), 0.05f, 0.055f, 0.045f, 0.05f, n,
           Vec3(1, 0, 0), exhaust);
    m.tube(Vec3(0.17f, 0.71f, -0.68f), Vec3(0.17f, 0.72f, -0.71f), 0.03f, 0.03f, 0.02f, 0.02f, n,
           Vec3(1, 0, 0), black);
  }

  if (d.plastics.mesh) {
    MeshBuilder& m = *d.plastics.mesh;
    const Skin& k = *d.plastics.skin;
    const Painter main = k.painter("main"), white = k.painter("white"), seat = k.painter("seat"),
                  graphic = k.painter("graphic");
    // Shrouds: the graphic on their outer faces.
    const Painter shroud = [main, graphic](const FaceInfo& f) {
      return std::fabs(f.worldNormal.x) > 0.6f ? graphic(f) : main(f);
    };
    m.bone(frame, MatrixTranslation(0, 0.84f, 0.27f));
    if (d.freestyle)
      m.block(0.0f, 0.14f, 0.11f, 0.17f, 0.085f, 0.13f, main);
    else
      m.block(0.0f, 0.15f, 0.125f, 0.17f, 0.10f, 0.14f, main);
    for (float sd : {-1.0f, 1.0f}) {
      m.bone(frame, MatrixTranslation(0.145f * sd, 0.86f, 0.33f));
      const float length = d.freestyle ? 0.14f : 0.17f;
      m.block(-0.15f, 0.13f, 0.03f, length, 0.02f, length - 0.04f, shroud, -0.05f);
    }
    m.bone(frame, MatrixTranslation(0, 0.895f, -0.22f));
    m.block(0.0f, 0.055f, 0.11f, 0.38f, d.freestyle ? 0.085f : 0.10f, 0.37f, seat);
    // Rear fender, kicking up behind the seat.
    m.bone(frame);
    ArchPlate(
        m,
        {Vec3(0, 0.905f, -0.52f), Vec3(0, 0.915f, -0.70f), Vec3(0, 0.945f, -0.86f), Vec3(0, 0.985f, -0.98f)},
        0.10f, 0.03f, d.freestyle ? main : white);
    m.bone(frame);
    // Side panels carrying the number (the freestyle bike's carry its emblem).
    for (float sd : {-1.0f, 1.0f}) {
      m.box(Vec3(0.13f * sd, 0.78f, -0.34f), Vec3(0.012f, 0.11f, 0.17f), white);
      const float x = 0.143f * sd;
      const float back = -0.47f, front = -0.17f, low = 0.70f, high = 0.89f;
      if (sd > 0)
        m.quad(Vec3(x, low, back), Vec3(x, low, front), Vec3(x, high, front), Vec3(x, high, back),
               k.decal("number"), Vec3(0, 0.78f, -0.34f));
      else
        m.quad(Vec3(x, low, front), Vec3(x, low, back), Vec3(x, high, back), Vec3(x, high, front),
               k.decal("number"), Vec3(0, 0.78f, -0.34f));
    }
    if (d.freestyle) {
      // Grab handles cut into the rear fender.
      for (float sd : {-1.0f, 1.0f})
        m.box(Vec3(0.085f * sd, 0.945f, -0.66f), Vec3(0.012f, 0.03f, 0.07f), k.painter("seat"));
    }
    // Front fender on the top clamp: it steers with the fork but does not move with the suspension.
    m.bone(s.find("Fork"));
    ArchPlate(
        m, {Vec3(0, -0.16f, -0.05f), Vec3(0, -0.175f, 0.15f), Vec3(0, -0.20f, 0.35f), Vec3(0, -0.26f, 0.55f)},
        0.085f, 0.028f, main);
  }

  if (d.parts.mesh) {
    MeshBuilder& m = *d.parts.mesh;
    const Skin& k = *d.parts.skin;
    const Painter fork = k.painter("fork"), metal = k.painter("metal"), rubber = k.painter("rubber"),
                  spring = k.painter("spring");
    m.bone(s.find("Fork"));
    m.box(Vec3(0, 0.0f, 0.0f), Vec3(0.12f, 0.02f, 0.04f), metal);
    m.box(axis * 0.15f, Vec3(0.12f, 0.02f, 0.04f), metal);
    for (float sd : {-1.0f, 1.0f})
      m.tube(Vec3(0.085f * sd, 0, 0) - axis * 0.04f, Vec3(0.085f * sd, 0, 0) + axis * 0.42f, 0.024f, 0.024f,
             0.024f, 0.024f, n, Vec3(1, 0, 0), fork);
    m.bone(s.find("Fork Slider"));
    for (float sd : {-1.0f, 1.0f}) {
      m.tube(Vec3(0.085f * sd, 0, 0) - axis * 0.05f, Vec3(0.085f * sd, 0, 0) + axis * 0.29f, 0.031f, 0.031f,
             0.029f, 0.029f, n, Vec3(1, 0, 0), rubber);
      m.box(Vec3(0.085f * sd, 0, 0) + axis * 0.28f, Vec3(0.022f, 0.03f, 0.03f), metal);
    }
    m.bone(s.find("Handlebars"));
    Handlebar(m, k, n, d.freestyle ? 0.01f : 0.0f);
    m.bone(s.find("Swing Arm"));
    const Vector3 axle = Vec3(0, -0.07f, -0.645f);
    for (float sd : {-1.0f, 1.0f}) {
      m.tube(Vec3(0.085f * sd, 0, 0), axle + Vec3(0.085f * sd, 0, 0), 0.03f, 0.022f, 0.024f, 0.016f, 4,
             Vec3(0, 1, 0), metal);
    }
    m.box(Vec3(0, -0.02f, -0.12f), Vec3(0.09f, 0.02f, 0.02f), metal);
    // Chain run along the left arm.
    m.box(Vec3(-0.118f, -0.03f, -0.30f), Vec3(0.006f, 0.045f, 0.36f), rubber);
    m.bone(s.find("Shock"));
    m.tube(Vec3(0, 0.02f, 0), Vec3(0, -0.28f, -0.11f), 0.04f, 0.04f, 0.038f, 0.038f, n, Vec3(1, 0, 0),
           spring);
    m.tube(Vec3(0.065f, 0.0f, 0.0f), Vec3(0.065f, -0.13f, -0.03f), 0.022f, 0.022f, 0.022f, 0.022f, n,
           Vec3(1, 0, 0), metal);
  }
}

void BuildAtvGeometry(const Skeleton& s, const MachineDress& d) {
  const int n = d.sides;
  const int frame = s.find("Frame");
  if (d.engine.mesh) {
    MeshBuilder& m = *d.engine.mesh;
    const Skin& k = *d.engine.skin;
    const Painter engine = k.painter("engine"), tube = k.painter("frame"), exhaust = k.painter("exhaust"),
                  black = k.painter("black");
    m.bone(frame);
    m.box(Vec3(0, 0.48f, -0.05f), Vec3(0.12f, 0.13f, 0.20f), engine);
    m.bone(frame, Euler(10, 0, 0) * MatrixTranslation(0, 0.60f, 0.08f));
    m.block(0.0f, 0.14f, 0.085f, 0.08f, 0.08f, 0.075f, engine);
    m.block(0.14f, 0.19f, 0.09f, 0.082f, 0.07f, 0.065f, black);
    m.bone(frame);
    for (float sd : {-1.0f, 1.0f}) {
      Pipe(m,
           {MirrorX(Vec3(0.12f, 0.35f, 0.85f), sd), MirrorX(Vec3(0.12f, 0.35f, -0.45f), sd),
            MirrorX(Vec3(0.12f, 0.80f, -0.85f), sd)},
           0.024f, 6, tube);
      Pipe(m,
           {MirrorX(Vec3(0.12f, 0.35f, 0.78f), sd), MirrorX(Vec3(0.14f, 0.76f, 0.45f), sd),
            MirrorX(Vec3(0.14f, 0.80f, -0.10f), sd), MirrorX(Vec3(0.12f, 0.84f, -0.78f), sd)},
           0.022f, 6, tube);
      // Bumper ends and A-arms out to the front hubs.
      Pipe(m,
           {MirrorX(Vec3(0.12f, 0.35f, 0.85f), sd), MirrorX(Vec3(0.25f, 0.38f, 0.97f), sd),
            MirrorX(Vec3(0.22f, 0.56f, 1.05f), sd), Vec3(0, 0.58f, 1.06f)},
           0.022f, 6, black);
      Pipe(m,
           {MirrorX(Vec3(0.12f, 0.32f, 0.54f), sd), MirrorX(Vec3(0.36f, 0.26f, 0.62f), sd),
            MirrorX(Vec3(0.12f, 0.32f, 0.70f), sd)},
           0.016f, 6, tube);
      // Nerf bars guarding the feet.
      Pipe(m,
           {MirrorX(Vec3(0.12f, 0.34f, 0.32f), sd), MirrorX(Vec3(0.37f, 0.36f, 0.28f), sd),
            MirrorX(Vec3(0.38f, 0.36f, -0.26f), sd), MirrorX(Vec3(0.12f, 0.34f, -0.30f), sd)},
           0.018f, 6, black);
      // Front shock absorbers.
      Pipe(m, {MirrorX(Vec3(0.17f, 0.62f, 0.62f), sd), MirrorX(Vec3(0.33f, 0.30f, 0.62f), sd)}, 0.028f, 6,
           exhaust);
    }
    Pipe(m,
         {Vec3(0.05f, 0.68f, 0.16f), Vec3(0.14f, 0.56f, 0.20f), Vec3(0.16f, 0.45f, 0.0f),
          Vec3(0.17f, 0.62f, -0.40f)},
         0.024f, 6, exhaust);
    m.tube(Vec3(0.17f, 0.62f, -0.40f), Vec3(0.17f, 0.72f, -0.82f), 0.05f, 0.05f, 0.045f, 0.045f, n,
           Vec3(1, 0, 0), exhaust);
  }
  if (d.plastics.mesh) {
    MeshBuilder& m = *d.plastics.mesh;
    const Skin& k = *d.plastics.skin;
    const Painter main = k.painter("main"), white = k.painter("white"), seat = k.painter("seat"),
                  graphic = k.painter("graphic"), black = k.painter("black");
    m.bone(frame, MatrixTranslation(0, 0.60f, 0.66f));
    m.block(0.0f, 0.09f, 0.34f, 0.30f, 0.30f, 0.25f, main);
    m.bone(frame);
    for (float sd : {-1.0f, 1.0f}) {
      const std::vector<Vector3> front = {
          MirrorX(Vec3(0.45f, 0.48f, 1.0f), sd), MirrorX(Vec3(0.45f, 0.60f, 0.88f), sd),
          MirrorX(Vec3(0.45f, 0.66f, 0.66f), sd), MirrorX(Vec3(0.45f, 0.63f, 0.42f), sd),
          MirrorX(Vec3(0.45f, 0.52f, 0.30f), sd)};
      const std::vector<Vector3> rear = {
          MirrorX(Vec3(0.46f, 0.58f, -0.28f), sd), MirrorX(Vec3(0.46f, 0.68f, -0.42f), sd),
          MirrorX(Vec3(0.46f, 0.70f, -0.66f), sd), MirrorX(Vec3(0.46f, 0.64f, -0.90f), sd),
          MirrorX(Vec3(0.46f, 0.52f, -1.0f), sd)};
      ArchPlate(m, front, 0.14f, 0.025f, main);
      ArchPlate(m, rear, 0.15f, 0.025f, main);
      Skirt(m, front, 0.14f * sd, 0.07f, graphic);
      Skirt(m, rear, 0.15f * sd, 0.08f, graphic);
      m.box(MirrorX(Vec3(0.27f, 0.325f, 0.0f), sd), Vec3(0.10f, 0.015f, 0.25f), black);
    }
    m.bone(frame, MatrixTranslation(0, 0.70f, -0.62f));
    m.block(0.0f, 0.05f, 0.31f, 0.36f, 0.30f, 0.35f, main);
    m.bone(frame, MatrixTranslation(0, 0.84f, -0.25f));
    m.block(0.0f, 0.10f, 0.16f, 0.36f, 0.15f, 0.34f, seat);
    m.bone(frame, MatrixTranslation(0, 0.80f, 0.22f));
    m.block(0.0f, 0.16f, 0.16f, 0.16f, 0.12f, 0.12f, main);
    m.bone(frame);
    // Headlights and the number on the nose.
    for (float sd : {-1.0f, 1.0f})
      m.box(MirrorX(Vec3(0.17f, 0.645f, 0.955f), sd), Vec3(0.055f, 0.03f, 0.012f), white);
    m.quad(Vec3(0.08f, 0.615f, 0.962f), Vec3(-0.08f, 0.615f, 0.962f), Vec3(-0.08f, 0.685f, 0.962f),
           Vec3(0.08f, 0.685f, 0.962f), k.decal("number"), Vec3(0, 0.65f, 0.80f));
  }
  if (d.parts.mesh) {
    MeshBuilder& m = *d.parts.mesh;
    const Skin& k = *d.parts.skin;
    const Painter metal = k.painter("metal"), spring = k.painter("spring");
    m.bone(s.find("Steering"));
    m.tube(Vec3(0, 0, 0), Vec3(0, 0.42f, -0.055f), 0.022f, 0.022f, 0.022f, 0.022f, n, Vec3(1, 0, 0), metal);
    m.bone(s.find("Handlebars"));
    Handlebar(m, k, n, 0.0f);
    m.bone(s.find("Swing Arm"));
    const Vector3 axle = Vec3(0, -0.13f, -0.49f);
    m.tube(Vec3(0, 0, 0), axle, 0.05f, 0.035f, 0.04f, 0.03f, 4, Vec3(1, 0, 0), metal);
    m.tube(axle + Vec3(-0.36f, 0, 0), axle + Vec3(0.36f, 0, 0), 0.025f, 0.025f, 0.025f, 0.025f, n,
           Vec3(0, 1, 0), metal);
    m.bone(frame);
    m.tube(Vec3(0, 0.76f, -0.05f), Vec3(0, 0.45f, -0.33f), 0.04f, 0.04f, 0.038f, 0.038f, n, Vec3(1, 0, 0),
           spring);
  }
}

void BuildWheelGeometry(const WheelShape& w, MeshBuilder* tyre, const Skin& tyreSkin, MeshBuilder* rim,
                        const Skin& rimSkin) {
  const float rimRadius = w.radius - w.section;
  if (tyre) {
    const Painter rubber = tyreSkin.painter("rubber"), tread = tyreSkin.painter("tread");
    const Painter paint = [rubber, tread](const FaceInfo& f) {
      return std::fabs(f.worldNormal.x) > 0.7f ? rubber(f) : tread(f);
    };
    const float h = w.section, half = w.width / 2;
    // The tyre's section: bead, sidewall, shoulder, tread across, and back down the other side.
    auto section = [&](double angle, float out) {
      const float c = static_cast<float>(Cos(angle)), s = static_cast<float>(Sin(angle));
      const std::pair<float, float> profile[6] = {
          {w.radius - h, -half * 0.8f},   {w.radius - h * 0.35f, -half}, {w.radius + out, -half * 0.75f},
          {w.radius + out, half * 0.75f}, {w.radius - h * 0.35f, half},  {w.radius - h, half * 0.8f}};
      std::vector<Vector3> ring;
      for (auto [r, x] : profile)
        ring.push_back(Vec3(x, r * c, r * s));
      return ring;
    };
    std::vector<std::vector<Vector3>> rings;
    const double pitch = 2.0 * kDemoPi / w.knobs;
    for (int j = 0; j < w.knobs; ++j) {
      const double a = pitch * j;
      rings.push_back(section(a, 0.0f));
      rings.push_back(section(a + pitch * 0.12, w.knob));
      rings.push_back(section(a + pitch * 0.55, w.knob));
      rings.push_back(section(a + pitch * 0.67, 0.0f));
    }
    tyre->bone(0);
    tyre->loft(rings, paint, false, false, true);
  }
  if (rim) {
    const Painter rimPaint = rimSkin.painter("rim"), hub = rimSkin.painter("hub"),
                  spoke = rimSkin.painter("spoke");
    rim->bone(0);
    std::vector<std::vector<Vector3>> rings;
    const float rw = w.spokes > 0 ? 0.032f : w.width * 0.42f;
    for (int k = 0; k < w.segments; ++k) {
      const double a = 2.0 * kDemoPi * k / w.segments;
      const float c = static_cast<float>(Cos(a)), s = static_cast<float>(Sin(a));
      const float r0 = rimRadius - 0.028f, r1 = rimRadius + 0.004f;
      rings.push_back({Vec3(-rw, r0 * c, r0 * s), Vec3(rw, r0 * c, r0 * s), Vec3(rw, r1 * c, r1 * s),
                       Vec3(-rw, r1 * c, r1 * s)});
    }
    rim->loft(rings, rimPaint, false, false, true);
    rim->tube(Vec3(-0.065f, 0, 0), Vec3(0.065f, 0, 0), 0.045f, 0.045f, 0.045f, 0.045f, 8, Vec3(0, 1, 0), hub);
    if (w.spokes > 0) {
      for (int k = 0; k < w.spokes; ++k) {
        const double a = 2.0 * kDemoPi * k / w.spokes;
        const float c = static_cast<float>(Cos(a)), s = static_cast<float>(Sin(a));
        const float side = (k % 2 == 0) ? 0.05f : -0.05f;
        const float r = rimRadius - 0.028f;
        rim->tube(Vec3(side, 0.04f * c, 0.04f * s), Vec3(side * 0.3f, r * c, r * s), 0.004f, 0.004f, 0.004f,
                  0.004f, 4, Vec3(1, 0, 0), spoke, false);
      }
    } else {
      // A dished wheel: both faces closed.
      rim->tube(Vec3(-rw * 0.9f, 0, 0), Vec3(rw * 0.9f, 0, 0), rimRadius - 0.02f, rimRadius - 0.02f,
                rimRadius - 0.02f, rimRadius - 0.02f, w.segments, Vec3(0, 1, 0), rimPaint);
      for (int k = 0; k < 4; ++k) {
        const double a = kDemoPi / 2 * k + kDemoPi / 4;
        rim->box(Vec3(rw * 0.92f, 0.05f * static_cast<float>(Cos(a)), 0.05f * static_cast<float>(Sin(a))),
                 Vec3(0.01f, 0.012f, 0.012f), hub);
      }
    }
    if (w.brakeDisc)
      rim->tube(Vec3(-0.075f, 0, 0), Vec3(-0.068f, 0, 0), 0.12f, 0.12f, 0.12f, 0.12f, 16, Vec3(0, 1, 0),
                spoke);
  }
}

void BuildPlateGeometry(MeshBuilder& m, const Skin& skin) {
  const Vector3 axis = ForkAxis();
  const Vector3 front = Normalize(Vec3Cross(Vec3(1, 0, 0), axis * -1.0f));
  const Vector3 centre = axis * 0.13f + front * 0.075f;
  const Vector3 x = Vec3(1, 0, 0);
  m.bone(0);
  const float hw = 0.115f, hh = 0.10f;
  const Vector3 face = centre + front * 0.012f;
  // Seen from the front, the plate's left is the bike's right (+x).
  m.quad(face + x * hw + axis * hh, face - x * hw + axis * hh, face - x * hw - axis * hh,
         face + x * hw - axis * hh, skin.decal("plate"), centre);
  std::vector<Vector3> back = {centre + x * hw + axis * hh, centre - x * hw + axis * hh,
                               centre - x * hw - axis * hh, centre + x * hw - axis * hh};
  std::vector<Vector3> frontRing;
  for (Vector3 p : back)
    frontRing.push_back(p + front * 0.01f);
  m.loft({back, frontRing}, skin.painter("white"), true, false);
}

void BuildRackGeometry(MeshBuilder& m, const Skin& skin) {
  const Painter metal = skin.painter("metal"), rubber = skin.painter("rubber");
  m.bone(0);
  const float y = 0.80f;
  for (float x : {-0.30f, -0.10f, 0.10f, 0.30f})
    Pipe(m, {Vec3(x, y, -0.50f), Vec3(x, y, -0.98f)}, 0.012f, 6, metal);
  for (float z : {-0.50f, -0.74f, -0.98f})
    Pipe(m, {Vec3(-0.31f, y, z), Vec3(0.31f, y, z)}, 0.012f, 6, metal);
  for (float x : {-0.30f, 0.30f}) {
    Pipe(m, {Vec3(x, y, -0.52f), Vec3(x * 0.9f, 0.74f, -0.50f)}, 0.012f, 6, rubber);
    Pipe(m, {Vec3(x, y, -0.96f), Vec3(x * 0.9f, 0.70f, -0.92f)}, 0.012f, 6, rubber);
  }
}

}  // namespace dravo::demo
