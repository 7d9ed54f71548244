#pragma once
// Turns a skin into the Qt look of every window: palette, font and style sheet, with the
// colour shift and the aero values applied.

#include <QFont>
#include <QPalette>
#include <QString>

#include "skin/SkinFile.h"

namespace sonivo::skin {

// A shift of every skin colour. `hue` in degrees, any value (it wraps at 360);
// `saturation` and `value` in percent of the full range, -100..100 (clamped). Colours
// without a hue (greys) keep their hue.
struct HsvShift {
  int hue = 0;
  int saturation = 0;
  int value = 0;
};

// The nine aero values (see SkinH.h for what each one does).
struct Aero {
  int alpha = 0;
  int shadow_x = 0;
  int shadow_y = 0;
  int shadow_blur = 0;
  int shadow_red = 0;
  int shadow_green = 0;
  int shadow_blue = 0;
  int extra_radius = 0;
  int extra_border = 0;
};

Rgb shifted(Rgb colour, HsvShift shift);
Skin tinted(const Skin& skin, HsvShift shift);

QPalette palette_of(const Skin& skin);
// `base` with the skin's families and size; `base` unchanged when the skin names none.
QFont font_of(const Skin& skin, const QFont& base);
QString style_sheet_of(const Skin& skin, const Aero& aero);

// Window opacity for an aero alpha: 1..254 give alpha/255, anything else is opaque.
double window_opacity(const Aero& aero);

}  // namespace sonivo::skin
