#include "demo/demo_skins.h"

#include "demo/demo_random.h"

namespace dravo::demo {

namespace {

// Numbers are drawn big and white-rimmed on their own background.
void NumberDecal(Canvas& c, int x, int y, int w, int h, const std::string& number, Rgba background,
                 Rgba digits, Rgba rim) {
  c.fillRect(x, y, w, h, background);
  c.border(x, y, w, h, std::max(2, w / 32), rim);
  const int dw = w * 3 / 4, dh = h * 3 / 4;
  const int stroke = std::max(2, h / 9);
  c.digits(x + (w - dw) / 2, y + (h - dh) / 2, dw, dh, number, stroke, digits);
}

Atlas::Pattern Stripes(Rgba colour, int period, int width) {
  return [colour, period, width](Canvas& c, int x, int y, int w, int h, Rgba) {
    c.stripes(x, y, w, h, period, width, colour);
  };
}

Atlas::Pattern ShadedStripes(Rgba colour, Rgba reference, int period, int width) {
  return [colour, reference, period, width](Canvas& c, int x, int y, int w, int h, Rgba base) {
    const int ref = reference.r + reference.g + reference.b + 1;
    const int shade = (base.r + base.g + base.b + 1) * 100 / ref;
    c.stripes(x, y, w, h, period, width, Shade(colour, shade));
  };
}

Atlas::Pattern Grain(int amount, std::uint64_t seed) {
  return [amount, seed](Canvas& c, int x, int y, int w, int h, Rgba) {
    DemoRandom random(seed * 7919u + static_cast<std::uint64_t>(x) * 131u + static_cast<std::uint64_t>(y));
    c.grain(x, y, w, h, amount, random);
  };
}

Atlas::Pattern Band(Rgba colour, Rgba reference) {
  return [colour, reference](Canvas& c, int x, int y, int w, int h, Rgba base) {
    const int ref = reference.r + reference.g + reference.b + 1;
    const int shade = (base.r + base.g + base.b + 1) * 100 / ref;
    c.fillRect(x, y + h * 3 / 8, w, h / 4, Shade(colour, shade));
  };
}

Atlas::Pattern Knobs(Rgba colour, Rgba reference, int cells) {
  return [colour, reference, cells](Canvas& c, int x, int y, int w, int h, Rgba base) {
    const int ref = reference.r + reference.g + reference.b + 1;
    const int shade = (base.r + base.g + base.b + 1) * 100 / ref;
    const int cw = w / cells, ch = h / cells;
    for (int j = 0; j < cells; ++j)
      for (int i = 0; i < cells; ++i)
        if ((i + j) % 2 == 0)
          c.fillRect(x + i * cw + 1, y + j * ch + 1, cw - 2, ch - 2, Shade(colour, shade));
  };
}

void AddKit(Skin& s, const KitColours& kit) {
  s.add(
      "jersey", kit.jersey,
      kit.stripes ? ShadedStripes(kit.jerseyAccent, kit.jersey, 12, 3) : Band(kit.jerseyAccent, kit.jersey));
  s.add("jerseyAccent", kit.jerseyAccent);
  s.add("pants", kit.pants, Grain(4, 11));
  s.add("pantsAccent", kit.pantsAccent);
  s.add("trim", kit.trim);
  s.add("glove", kit.glove, Grain(5, 12));
}

void AddNumber(Skin& s, const KitColours& kit) {
  const std::string number = kit.number;
  const Rgba background = kit.jersey, digits = Rgba{245, 245, 245, 255}, rim = kit.jerseyAccent;
  s.addDecal("number", 2, 2, [=](Canvas& c, int x, int y, int w, int h) {
    NumberDecal(c, x, y, w, h, number, background, digits, rim);
  });
}

}  // namespace

Skin KitSkin(const KitColours& kit) {
  Skin s(256, 8);
  AddKit(s, kit);
  AddNumber(s, kit);
  return s;
}

Skin FullKitSkin(const KitColours& kit, const HelmetColours& helmet, const BootColours& boots) {
  Skin s(256, 8);
  AddKit(s, kit);
  s.add("helmet", helmet.helmet);
  s.add("helmetAccent", helmet.accent);
  s.add("strap", helmet.strap);
  s.add("lens", helmet.lens, ShadedStripes(Rgba{255, 255, 255, 255}, helmet.lens, 16, 2));
  s.add("boot", boots.boot, Grain(3, 13));
  s.add("bootTrim", boots.trim);
  AddNumber(s, kit);
  return s;
}

Skin HelmetSkin(const HelmetColours& h) {
  Skin s(128, 4);
  s.add("helmet", h.helmet);
  s.add("helmetAccent", h.accent);
  s.add("strap", h.strap, Band(Rgba{200, 200, 200, 255}, h.strap));
  s.add("lens", h.lens, ShadedStripes(Rgba{255, 255, 255, 255}, h.lens, 16, 2));
  return s;
}

Skin BootSkin(const BootColours& b) {
  Skin s(128, 4);
  s.add("boot", b.boot, Grain(3, 14));
  s.add("bootTrim", b.trim);
  return s;
}

Skin GloveSkin(Rgba glove) {
  Skin s(64, 2);
  s.add("glove", glove, Grain(6, 15));
  return s;
}

const KitColours& GenericKit() {
  static const KitColours k{{60, 90, 170, 255},
                            {230, 230, 235, 255},
                            {45, 45, 52, 255},
                            {60, 90, 170, 255},
                            {25, 25, 28, 255},
                            {35, 35, 40, 255},
                            "1",
                            false};
  return k;
}

const KitColours& NoFearKit() {
  static const KitColours k{{34, 34, 40, 255},
                            {205, 32, 36, 255},
                            {40, 40, 46, 255},
                            {205, 32, 36, 255},
                            {235, 235, 235, 255},
                            {205, 32, 36, 255},
                            "6",
                            true};
  return k;
}

const KitColours& DirtbirdKit() {
  static const KitColours k{{245, 200, 30, 255},
                            {30, 70, 170, 255},
                            {30, 52, 125, 255},
                            {245, 200, 30, 255},
                            {25, 25, 28, 255},
                            {30, 60, 150, 255},
                            "14",
                            false};
  return k;
}

const HelmetColours& PlainHelmet() {
  static const HelmetColours h{
      {236, 236, 236, 255}, {70, 70, 80, 255}, {22, 22, 22, 255}, {60, 75, 100, 255}};
  return h;
}

const HelmetColours& NoFearHelmet() {
  static const HelmetColours h{{205, 32, 36, 255}, {28, 28, 30, 255}, {22, 22, 22, 255}, {235, 140, 40, 255}};
  return h;
}

const HelmetColours& DirtbirdHelmet() {
  static const HelmetColours h{
      {245, 200, 30, 255}, {30, 70, 170, 255}, {22, 22, 22, 255}, {80, 90, 115, 255}};
  return h;
}

const BootColours& WhiteBoots() {
  static const BootColours b{{236, 236, 236, 255}, {30, 30, 32, 255}};
  return b;
}

const BootColours& DirtbirdBoots() {
  static const BootColours b{{36, 36, 40, 255}, {245, 200, 30, 255}};
  return b;
}

Skin BodySkin(const BodyColours& b) {
  Skin s(256, 8);
  s.add("main", b.main);
  s.add("white", b.white);
  s.add("seat", b.seat, Grain(6, 21));
  s.add("graphic", b.graphic, ShadedStripes(b.stripe, b.graphic, 14, 5));
  s.add("black", b.black);
  const Rgba bg = b.numberBackground, fg = b.numberColour, rim = b.main;
  const std::string number = b.number;
  s.addDecal("number", 4, 3,
             [=](Canvas& c, int x, int y, int w, int h) { NumberDecal(c, x, y, w, h, number, bg, fg, rim); });
  return s;
}

Skin EngineSkin() {
  Skin s(128, 4);
  s.add("engine", {150, 152, 158, 255}, Grain(5, 31));
  s.add("frame", {70, 72, 78, 255});
  s.add("exhaust", {200, 200, 206, 255}, Stripes({225, 225, 230, 255}, 8, 1));
  s.add("black", {28, 28, 30, 255});
  return s;
}

Skin PartsSkin() {
  Skin s(128, 4);
  s.add("fork", {212, 172, 62, 255});
  s.add("metal", {186, 188, 193, 255});
  s.add("rubber", {32, 32, 34, 255}, Grain(6, 41));
  s.add("spring", {80, 185, 40, 255});
  return s;
}

Skin TyreSkin(bool blocks) {
  Skin s(128, 4);
  const Rgba rubber{48, 48, 52, 255}, tread{36, 36, 39, 255};
  s.add("rubber", rubber, Grain(4, 51));
  s.add("tread", tread, Knobs({70, 70, 74, 255}, tread, blocks ? 3 : 4));
  return s;
}

Skin RimSkin() {
  Skin s(128, 4);
  s.add("rim", {176, 178, 184, 255});
  s.add("hub", {110, 112, 118, 255});
  s.add("spoke", {205, 205, 210, 255});
  return s;
}

Skin PlateSkin(const std::string& number, Rgba background, Rgba digits, Rgba rim) {
  Skin s(128, 4);
  s.add("white", background);
  s.addDecal("plate", 4, 3, [=](Canvas& c, int x, int y, int w, int h) {
    NumberDecal(c, x, y, w, h, number, background, digits, rim);
  });
  return s;
}

Canvas MudPicture() {
  Canvas c(128, 128, Rgba{230, 224, 214, 0});
  DemoRandom random(0x4D7564);
  // Splashes: a blob with droplets flung round it, all tiled so the texture wraps.
  for (int k = 0; k < 30; ++k) {
    const int cx = random.range(0, 127), cy = random.range(0, 127), r = random.range(3, 11);
    const int alpha = random.range(120, 210);
    const Rgba mud = Shade(Rgba{230, 224, 214, static_cast<std::uint8_t>(alpha)}, random.range(80, 100));
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        for (int j = -r; j <= r; ++j)
          for (int i = -r; i <= r; ++i)
            if (i * i + j * j <= r * r) {
              const int x = cx + i + dx * 128, y = cy + j + dy * 128;
              if (x >= 0 && y >= 0 && x < 128 && y < 128) c.set(x, y, mud);
            }
      }
    for (int drop = 0; drop < 5; ++drop) {
      const int x = (cx + random.range(-2 * r - 6, 2 * r + 6) + 128) % 128;
      const int y = (cy + random.range(-2 * r - 6, 2 * r + 6) + 128) % 128;
      c.fillDisc(x, y, random.range(1, 2), mud);
    }
  }
  return c;
}

const BodyColours& Kx250Body() {
  static const BodyColours b{{80, 185, 40, 255},
                             {238, 238, 238, 255},
                             {28, 28, 30, 255},
                             {80, 185, 40, 255},
                             {24, 24, 26, 255},
                             {26, 26, 28, 255},
                             "25",
                             {238, 238, 238, 255},
                             {20, 20, 22, 255}};
  return b;
}

const BodyColours& Fx450Body() {
  static const BodyColours b{{240, 122, 20, 255},
                             {34, 34, 38, 255},
                             {24, 24, 26, 255},
                             {34, 34, 38, 255},
                             {240, 122, 20, 255},
                             {22, 22, 24, 255},
                             "199",
                             {34, 34, 38, 255},
                             {240, 122, 20, 255}};
  return b;
}

const BodyColours& Quad450Body() {
  static const BodyColours b{{200, 30, 34, 255},
                             {238, 238, 238, 255},
                             {30, 30, 32, 255},
                             {238, 238, 238, 255},
                             {200, 30, 34, 255},
                             {26, 26, 28, 255},
                             "7",
                             {238, 238, 238, 255},
                             {20, 20, 22, 255}};
  return b;
}

}  // namespace dravo::demo
