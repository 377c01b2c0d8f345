#include "demo/demo_rider.h"

#include <cmath>

#include "demo/demo_math.h"
#include "demo/demo_models.h"

namespace dravo::demo {

namespace {

// Joint positions of the riding pose in model space (x right, y up, z forward; origin on the ground
// between the machine's wheels).
struct Joints {
  Vector3 pelvis{0.0f, 1.03f, -0.20f};
  Vector3 spineBase{0.0f, 1.08f, -0.19f};
  Vector3 shoulders{0.0f, 1.52f, 0.03f};
  Vector3 headBase{0.0f, 1.615f, 0.045f};
  Vector3 headTop{0.0f, 1.80f, 0.085f};
  Vector3 clavicle{0.03f, 1.49f, 0.01f};
  Vector3 shoulder{0.19f, 1.48f, 0.02f};
  Vector3 elbow{0.33f, 1.27f, 0.18f};
  Vector3 wrist{0.36f, 1.135f, 0.40f};
  Vector3 knuckles{0.37f, 1.12f, 0.50f};
  Vector3 hip{0.09f, 1.00f, -0.17f};
  Vector3 knee{0.19f, 0.80f, 0.21f};
  Vector3 ankle{0.205f, 0.45f, -0.07f};
  Vector3 ball{0.21f, 0.37f, 0.09f};
  Vector3 toe{0.21f, 0.355f, 0.17f};
};

const Joints kJ{};

constexpr float kLowerTorsoShare = 0.42f;

}  // namespace

const std::vector<std::string>& RiderBoneNames() {
  static const std::vector<std::string> names = {
      "Pelvis",    "Lower Torso", "Upper Torso", "Neck",        "Head",      "L Clavicle", "L Upper Arm",
      "L Forearm", "L Hand",      "R Clavicle",  "R Upper Arm", "R Forearm", "R Hand",     "L Thigh",
      "L Calf",    "L Foot",      "L Toes",      "R Thigh",     "R Calf",    "R Foot",     "R Toes"};
  return names;
}

const ContactPoints& Contacts() {
  static const ContactPoints c = {Vec3(-0.365f, 1.12f, 0.445f), Vec3(0.365f, 1.12f, 0.445f),
                                  Vec3(-0.235f, 0.335f, 0.04f), Vec3(0.235f, 0.335f, 0.04f),
                                  Vec3(0.0f, 0.945f, -0.20f)};
  return c;
}

Skeleton RiderSkeleton() {
  Skeleton s;
  const Vector3 x = Vec3(1, 0, 0);
  const Vector3 upperStart = Vec3Lerp(kJ.spineBase, kJ.shoulders, kLowerTorsoShare);
  const int pelvis = s.add("Pelvis", -1, MatrixTranslation(kJ.pelvis.x, kJ.pelvis.y, kJ.pelvis.z));
  const int lower = s.add("Lower Torso", pelvis, SpineFrame(kJ.spineBase, kJ.shoulders, x));
  const int upper = s.add("Upper Torso", lower, SpineFrame(upperStart, kJ.shoulders + Vec3(0, 0, -0.02f), x));
  const int neck = s.add("Neck", upper, SpineFrame(kJ.shoulders, kJ.headBase, x));
  s.add("Head", neck, SpineFrame(kJ.headBase, kJ.headTop, x));
  for (float sign : {-1.0f, 1.0f}) {
    const char* p = sign < 0 ? "L " : "R ";
    const int clav = s.add(std::string(p) + "Clavicle", upper,
                           LimbFrame(MirrorX(kJ.clavicle, sign), MirrorX(kJ.shoulder, sign), Vec3(0, 1, 0)));
    const int arm = s.add(std::string(p) + "Upper Arm", clav,
                          LimbFrame(MirrorX(kJ.shoulder, sign), MirrorX(kJ.elbow, sign), x));
    const int fore = s.add(std::string(p) + "Forearm", arm,
                           LimbFrame(MirrorX(kJ.elbow, sign), MirrorX(kJ.wrist, sign), x));
    s.add(std::string(p) + "Hand", fore, LimbFrame(MirrorX(kJ.wrist, sign), MirrorX(kJ.knuckles, sign), x));
  }
  for (float sign : {-1.0f, 1.0f}) {
    const char* p = sign < 0 ? "L " : "R ";
    const int thigh =
        s.add(std::string(p) + "Thigh", pelvis, LimbFrame(MirrorX(kJ.hip, sign), MirrorX(kJ.knee, sign), x));
    const int calf =
        s.add(std::string(p) + "Calf", thigh, LimbFrame(MirrorX(kJ.knee, sign), MirrorX(kJ.ankle, sign), x));
    const int foot =
        s.add(std::string(p) + "Foot", calf, LimbFrame(MirrorX(kJ.ankle, sign), MirrorX(kJ.ball, sign), x));
    s.add(std::string(p) + "Toes", foot, LimbFrame(MirrorX(kJ.ball, sign), MirrorX(kJ.toe, sign), x));
  }
  return s;
}

void BuildRiderGeometry(const Skeleton& s, const RiderDress& d) {
  const int n = d.sides;
  const float k = d.bulk;
  const Vector3 x = Vec3(1, 0, 0), z = Vec3(0, 0, 1);
  auto use = [](const RiderDress::Target& t, int bone) {
    if (t.mesh) t.mesh->bone(bone);
    return t.mesh != nullptr;
  };
  const RiderDress::Target& body = d.body;
  auto paint = [](const RiderDress::Target& t, const char* role) { return t.skin->painter(role); };

  // Pelvis: seat of the pants, with the jersey's hem over the waist.
  if (use(body, s.find("Pelvis"))) {
    body.mesh->block(-0.10f, 0.05f, 0.155f * k, 0.115f * k, 0.165f * k, 0.12f * k, paint(body, "pants"));
    body.mesh->block(0.03f, 0.09f, 0.168f * k, 0.122f * k, 0.165f * k, 0.12f * k, paint(body, "jersey"));
  }
  const float lowerLen = Vec3Length(kJ.shoulders - kJ.spineBase) * kLowerTorsoShare;
  const float upperLen = Vec3Length(kJ.shoulders - kJ.spineBase) * (1.0f - kLowerTorsoShare);
  if (use(body, s.find("Lower Torso")))
    body.mesh->block(0.0f, lowerLen + 0.01f, 0.150f * k, 0.105f * k, 0.168f * k, 0.112f * k,
                     paint(body, "jersey"));
  if (use(body, s.find("Upper Torso"))) {
    MeshBuilder& m = *body.mesh;
    m.block(0.0f, upperLen, 0.168f * k, 0.112f * k, 0.19f * k, 0.105f * k, paint(body, "jersey"));
    // Shoulder yoke in the accent colour, and the number on the back.
    m.block(upperLen - 0.06f, upperLen + 0.012f, 0.192f * k, 0.108f * k, 0.17f * k, 0.09f * k,
            paint(body, "jerseyAccent"));
    const float back = -0.116f * k;
    m.quad(Vec3(-0.10f, 0.05f, back), Vec3(0.10f, 0.05f, back), Vec3(0.10f, 0.22f, back),
           Vec3(-0.10f, 0.22f, back), body.skin->decal("number"), Vec3(0, 0.13f, 0));
  }
  if (use(body, s.find("Neck")))
    body.mesh->tube(Vec3(0, -0.02f, 0), Vec3(0, 0.08f, 0), 0.07f * k, 0.065f * k, 0.06f, 0.055f, n, x,
                    paint(body, "trim"));

  if (use(d.helmet, s.find("Head"))) {
    MeshBuilder& m = *d.helmet.mesh;
    const Skin& skin = *d.helmet.skin;
    const Vector3 c = Vec3(0, 0.10f, 0.01f);
    const Painter shell = skin.painter("helmet"), stripe = skin.painter("helmetAccent");
    // A stripe over the crown from front to back.
    const Painter crown = [shell, stripe, c](const FaceInfo& f) {
      return std::fabs(f.centre.x) < 0.045f && f.centre.y > c.y - 0.02f ? stripe(f) : shell(f);
    };
    m.ellipsoid(c, Vec3(0.145f, 0.15f, 0.165f), n + 2, 7, crown);
    // Chin bar, jutting forward and down.
    m.bone(s.find("Head"), Euler(-20, 0, 0) * MatrixTranslation(0, 0.0f, 0.12f));
    m.block(-0.05f, 0.05f, 0.10f, 0.06f, 0.11f, 0.07f, skin.painter("helmetAccent"), 0.04f);
    // Visor peak over the brow.
    m.bone(s.find("Head"), Euler(-25, 0, 0) * MatrixTranslation(0, 0.215f, 0.14f));
    m.block(-0.012f, 0.012f, 0.12f, 0.10f, 0.115f, 0.10f, skin.painter("helmetAccent"));
    // Goggles: strap round the helmet, lens in front.
    m.bone(s.find("Head"));
    m.tube(Vec3(0, 0.085f, 0.005f), Vec3(0, 0.125f, 0.01f), 0.152f, 0.172f, 0.152f, 0.172f, n + 2, x,
           skin.painter("strap"), false);
    m.box(Vec3(0, 0.105f, 0.178f), Vec3(0.095f, 0.032f, 0.012f), skin.painter("lens"));
  }

  for (float sign : {-1.0f, 1.0f}) {
    const std::string p = sign < 0 ? "L " : "R ";
    if (use(body, s.find(p + "Clavicle")))
      body.mesh->tube(Vec3(0, 0.0f, 0), Vec3(0, -0.17f, 0), 0.06f * k, 0.075f * k, 0.065f * k, 0.07f * k, n,
                      z, paint(body, "jersey"));
    const float upperArm = Vec3Length(kJ.elbow - kJ.shoulder), forearm = Vec3Length(kJ.wrist - kJ.elbow);
    if (use(body, s.find(p + "Upper Arm"))) {
      body.mesh->tube(Vec3(0, 0.02f, 0), Vec3(0, -upperArm, 0), 0.062f * k, 0.062f * k, 0.052f * k,
                      0.052f * k, n, x, paint(body, "jersey"));
      // The sleeve's stripe.
      body.mesh->tube(Vec3(0, -upperArm + 0.07f, 0), Vec3(0, -upperArm - 0.01f, 0), 0.056f * k, 0.056f * k,
                      0.053f * k, 0.053f * k, n, x, paint(body, "jerseyAccent"));
    }
    if (use(body, s.find(p + "Forearm"))) {
      body.mesh->tube(Vec3(0, 0.01f, 0), Vec3(0, -forearm + 0.07f, 0), 0.05f * k, 0.05f * k, 0.043f * k,
                      0.043f * k, n, x, paint(body, "jersey"));
      body.mesh->tube(Vec3(0, -forearm + 0.075f, 0), Vec3(0, -forearm, 0), 0.047f * k, 0.047f * k, 0.041f * k,
                      0.041f * k, n, x, paint(body, "glove"));
    }
    if (use(d.hands, s.find(p + "Hand"))) {
      MeshBuilder& m = *d.hands.mesh;
      m.block(0.0f, -0.11f, 0.042f, 0.03f, 0.045f, 0.024f, d.hands.skin->painter("glove"));
      // The thumb, wrapped round the grip.
      m.box(Vec3(-0.03f * sign, -0.04f, -0.025f), Vec3(0.012f, 0.03f, 0.012f),
            d.hands.skin->painter("glove"));
    }
    const float thigh = Vec3Length(kJ.knee - kJ.hip), calf = Vec3Length(kJ.ankle - kJ.knee);
    if (use(body, s.find(p + "Thigh"))) {
      const Painter pants = paint(body, "pants"), accent = paint(body, "pantsAccent");
      // Panels down the outside of the leg in the accent colour.
      const Painter leg = [pants, accent, sign](const FaceInfo& f) {
        return f.worldNormal.x * sign > 0.6f ? accent(f) : pants(f);
      };
      body.mesh->tube(Vec3(0, 0.05f, 0), Vec3(0, -thigh, 0), 0.09f * k, 0.085f * k, 0.066f * k, 0.066f * k, n,
                      x, leg);
    }
    if (use(body, s.find(p + "Calf"))) {
      // Knee: the end of the pants over the top of the boot, and a knee brace.
      body.mesh->tube(Vec3(0, 0.03f, 0), Vec3(0, -0.13f, 0), 0.068f * k, 0.072f * k, 0.066f * k, 0.066f * k,
                      n, x, paint(body, "pants"));
      body.mesh->tube(Vec3(0, 0.025f, 0.0f), Vec3(0, -0.06f, 0.0f), 0.072f * k, 0.077f * k, 0.07f * k,
                      0.075f * k, n, x, paint(body, "trim"));
    }
    if (use(d.boots, s.find(p + "Calf"))) {
      const Skin& skin = *d.boots.skin;
      d.boots.mesh->tube(Vec3(0, -0.12f, 0), Vec3(0, -calf - 0.03f, 0), 0.072f, 0.076f, 0.06f, 0.066f, n, x,
                         skin.painter("boot"));
      // Buckles across the shin.
      for (float y : {-0.2f, -0.29f, -0.38f})
        d.boots.mesh->box(Vec3(0.0f, y, 0.07f), Vec3(0.055f, 0.012f, 0.012f), skin.painter("bootTrim"));
    }
    if (use(d.boots, s.find(p + "Foot"))) {
      const Skin& skin = *d.boots.skin;
      const float foot = Vec3Length(kJ.ball - kJ.ankle);
      d.boots.mesh->block(0.04f, -foot - 0.01f, 0.055f, 0.07f, 0.052f, 0.05f, skin.painter("boot"));
      // The sole, under the foot (towards -z in the foot's frame).
      d.boots.mesh->box(Vec3(0, -foot / 2, -0.055f), Vec3(0.058f, foot / 2 + 0.03f, 0.012f),
                        skin.painter("bootTrim"));
    }
    if (use(d.boots, s.find(p + "Toes"))) {
      const Skin& skin = *d.boots.skin;
      const float toes = Vec3Length(kJ.toe - kJ.ball);
      d.boots.mesh->block(0.01f, -toes, 0.052f, 0.045f, 0.045f, 0.03f, skin.painter("boot"));
      d.boots.mesh->box(Vec3(0, -toes / 2, -0.04f), Vec3(0.052f, toes / 2 + 0.005f, 0.01f),
                        skin.painter("bootTrim"));
    }
  }
}

}  // namespace dravo::demo
