#pragma once

// The skins of the demo game: which roles each texture has, in which colours and patterns.

#include <string>

#include "demo/demo_skin.h"

namespace dravo::demo {

struct KitColours {
  Rgba jersey, jerseyAccent, pants, pantsAccent, trim, glove;
  std::string number;
  bool stripes = false;  // diagonal accent stripes over the jersey
};
struct HelmetColours {
  Rgba helmet, accent, strap, lens;
};
struct BootColours {
  Rgba boot, trim;
};

// Body kit (256 pixels): jersey, jerseyAccent, pants, pantsAccent, trim, glove and the number decal.
Skin KitSkin(const KitColours& kit);
// Kit, helmet and boots in one texture, for the rider whose model has one body mesh.
Skin FullKitSkin(const KitColours& kit, const HelmetColours& helmet, const BootColours& boots);
Skin HelmetSkin(const HelmetColours& colours);
Skin BootSkin(const BootColours& colours);
Skin GloveSkin(Rgba glove);

const KitColours& GenericKit();
const KitColours& NoFearKit();
const KitColours& DirtbirdKit();
const HelmetColours& PlainHelmet();
const HelmetColours& NoFearHelmet();
const HelmetColours& DirtbirdHelmet();
const BootColours& WhiteBoots();
const BootColours& DirtbirdBoots();

struct BodyColours {
  Rgba main, white, seat, graphic, stripe, black;
  std::string number;
  Rgba numberBackground, numberColour;
};
// Machine plastics (256): main, white, seat, graphic, black and the number decal.
Skin BodySkin(const BodyColours& colours);
// Engine, frame tubes, exhaust and black parts (128).
Skin EngineSkin();
// Fork, metal, rubber and spring (128).
Skin PartsSkin();
Skin TyreSkin(bool blocks);
Skin RimSkin();
// Front number plate: white, then the plate decal with its digits.
Skin PlateSkin(const std::string& number, Rgba background, Rgba digits, Rgba rim);
// Mud splatter: light colour for the mud colour to tint, alpha where the mud is.
Canvas MudPicture();

const BodyColours& Kx250Body();
const BodyColours& Fx450Body();
const BodyColours& Quad450Body();

}  // namespace dravo::demo
