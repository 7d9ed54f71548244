#include <gtest/gtest.h>

#include <QColor>
#include <fstream>
#include <iterator>
#include <string>

#include "skin/SkinFile.h"
#include "skin/SkinLook.h"

namespace sonivo::skin {
namespace {

std::string shipped_skin() {
  std::ifstream in(SONIVO_SKIN_FILE, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int hue_of(Rgb rgb) {
  return QColor(rgb.r, rgb.g, rgb.b).hsvHue();
}

TEST(SkinFile, NeedsTheMagic) {
  EXPECT_FALSE(parse_skin("").has_value());
  EXPECT_FALSE(parse_skin(".SH").has_value());
  EXPECT_FALSE(parse_skin("SHE.\naccent=#102030\n").has_value());
  EXPECT_FALSE(parse_skin(" .SHE\n").has_value());
  ASSERT_TRUE(parse_skin(".SHE").has_value());
  EXPECT_EQ(parse_skin(".SHE")->accent, Skin{}.accent);
}

TEST(SkinFile, ReadsKeysAndKeepsDefaultsForTheRest) {
  const auto skin = parse_skin(
      ".SHE\r\n"
      "# a comment=#000000\r\n"
      "\r\n"
      "name = Test skin\r\n"
      "accent=#A0b1C2\r\n"
      "window =#010203\n"
      "future_key=whatever\n"
      "no equals sign here\n"
      "radius=7\n"
      "font_family=WenQuanYi Micro Hei,DejaVu Sans\n"
      "font_size=11");
  ASSERT_TRUE(skin.has_value());
  EXPECT_EQ(skin->name, "Test skin");
  EXPECT_EQ(skin->accent, (Rgb{0xa0, 0xb1, 0xc2}));
  EXPECT_EQ(skin->window, (Rgb{1, 2, 3}));
  EXPECT_EQ(skin->radius, 7);
  EXPECT_EQ(skin->font_family, "WenQuanYi Micro Hei,DejaVu Sans");
  EXPECT_EQ(skin->font_size, 11);
  EXPECT_EQ(skin->base, Skin{}.base);
  EXPECT_EQ(skin->border_width, Skin{}.border_width);
}

TEST(SkinFile, BadValuesKeepTheDefaultAndNumbersAreClamped) {
  const auto skin = parse_skin(
      ".SHE\n"
      "accent=#12345\naccent=123456\nbase=#gg0000\n"
      "radius=99\nborder_width=-3\npadding=4px\nfont_size=\nshadow_alpha=300\n");
  ASSERT_TRUE(skin.has_value());
  EXPECT_EQ(skin->accent, Skin{}.accent);
  EXPECT_EQ(skin->base, Skin{}.base);
  EXPECT_EQ(skin->radius, 16);
  EXPECT_EQ(skin->border_width, 0);
  EXPECT_EQ(skin->padding, Skin{}.padding);
  EXPECT_EQ(skin->font_size, Skin{}.font_size);
  EXPECT_EQ(skin->shadow_alpha, 255);
}

TEST(SkinFile, ShippedSkinIsWellFormed) {
  const std::string bytes = shipped_skin();
  ASSERT_EQ(bytes.substr(0, 4), ".SHE");
  const auto skin = parse_skin(bytes);
  ASSERT_TRUE(skin.has_value());
  EXPECT_EQ(skin->name, "Win8 Flat");
  EXPECT_NE(skin->accent, Skin{}.accent);
  EXPECT_FALSE(skin->font_family.empty());
  // The file sets its own colours, not the built-in ones.
  const Skin defaults;
  EXPECT_NE(skin->window, defaults.window);
  EXPECT_NE(skin->border, defaults.border);
  EXPECT_NE(skin->disabled_text, defaults.disabled_text);
}

TEST(SkinLook, ShiftsHueSaturationAndValue) {
  struct Case {
    Rgb colour;
    HsvShift shift;
    int hue, saturation, value;  // expected HSV; hue -1: no hue
  };
  const Case cases[] = {
      {{255, 0, 0}, {0, 0, 0}, 0, 255, 255},
      {{255, 0, 0}, {-80, 0, 0}, 280, 255, 255},   // wraps below 0
      {{255, 0, 0}, {400, 0, 0}, 40, 255, 255},    // wraps above 360
      {{128, 128, 128}, {-80, 0, 0}, -1, 0, 128},  // greys have no hue to turn
      {{255, 0, 0}, {0, -50, 0}, 0, 128, 255},     // half the range off
      {{255, 0, 0}, {0, -300, 0}, -1, 0, 255},     // clamped to -100%
      {{100, 100, 100}, {0, 0, 100}, -1, 0, 255},  // value clamped at the top
      {{100, 100, 100}, {0, 0, -20}, -1, 0, 49},
  };
  for (const Case& c : cases) {
    const Rgb result = shifted(c.colour, c.shift);
    const QColor q(result.r, result.g, result.b);
    EXPECT_NEAR(q.hsvHue(), c.hue, 1) << c.shift.hue << " " << c.shift.saturation;
    EXPECT_NEAR(q.hsvSaturation(), c.saturation, 1) << c.shift.saturation;
    EXPECT_EQ(q.value(), c.value) << c.shift.value;
  }
}

TEST(SkinLook, ProgramsTintTurnsTheShippedAccentBlue) {
  const Skin skin = *parse_skin(shipped_skin());
  const Skin look = tinted(skin, {-80, 0, 0});
  EXPECT_NEAR(hue_of(look.accent), hue_of(skin.accent) - 80, 1);
  EXPECT_GE(hue_of(look.accent), 200);
  EXPECT_LE(hue_of(look.accent), 225);
  EXPECT_EQ(look.base, skin.base);  // white stays white
  EXPECT_EQ(look.radius, skin.radius);
}

TEST(SkinLook, StyleSheetCarriesTheSkinAndTheAeroSizes) {
  Skin skin;
  skin.accent = {0x12, 0x34, 0x56};
  skin.button = {0xab, 0xcd, 0xef};
  skin.radius = 3;
  skin.border_width = 1;
  const QString plain = style_sheet_of(skin, {});
  EXPECT_TRUE(plain.contains("#123456"));
  EXPECT_TRUE(plain.contains("QPushButton { background: #abcdef;"));
  EXPECT_TRUE(plain.contains("border-radius: 3px"));
  EXPECT_TRUE(plain.contains("border: 1px solid"));
  Aero aero;
  aero.extra_radius = 4;
  aero.extra_border = 20;
  const QString rounder = style_sheet_of(skin, aero);
  EXPECT_TRUE(rounder.contains("border-radius: 7px"));
  EXPECT_TRUE(rounder.contains("border: 8px solid"));  // kept within 0..8
}

TEST(SkinLook, PaletteAndFont) {
  Skin skin;
  skin.window = {1, 2, 3};
  skin.accent = {4, 5, 6};
  skin.disabled_text = {7, 8, 9};
  const QPalette palette = palette_of(skin);
  EXPECT_EQ(palette.color(QPalette::Window), QColor(1, 2, 3));
  EXPECT_EQ(palette.color(QPalette::Highlight), QColor(4, 5, 6));
  EXPECT_EQ(palette.color(QPalette::Disabled, QPalette::Text), QColor(7, 8, 9));

  QFont base;
  base.setPointSize(20);
  EXPECT_EQ(font_of(skin, base), base);  // no families named
  skin.font_family = " WenQuanYi Micro Hei , DejaVu Sans,";
  skin.font_size = 9;
  const QFont font = font_of(skin, base);
  EXPECT_EQ(font.families(), (QStringList{"WenQuanYi Micro Hei", "DejaVu Sans"}));
  EXPECT_EQ(font.pointSize(), 9);
}

TEST(SkinLook, WindowOpacity) {
  const std::pair<int, double> cases[] = {{0, 1.0},   {-5, 1.0},          {255, 1.0},
                                          {999, 1.0}, {210, 210 / 255.0}, {1, 1 / 255.0}};
  for (const auto& [alpha, opacity] : cases) {
    Aero aero;
    aero.alpha = alpha;
    EXPECT_DOUBLE_EQ(window_opacity(aero), opacity) << alpha;
  }
}

}  // namespace
}  // namespace sonivo::skin
