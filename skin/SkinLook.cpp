#include "skin/SkinLook.h"

#include <QColor>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace sonivo::skin {
namespace {

QColor colour_of(Rgb rgb) {
  return QColor(rgb.r, rgb.g, rgb.b);
}

QString css(Rgb rgb) {
  return colour_of(rgb).name(QColor::HexRgb);
}

float percent_of_full_range(int percent) {
  return static_cast<float>(std::clamp(percent, -100, 100)) / 100.0f;
}

}  // namespace

Rgb shifted(Rgb colour, HsvShift shift) {
  // In floating point, so an unshifted colour comes back exactly as it went in.
  float hue = 0;
  float saturation = 0;
  float value = 0;
  colour_of(colour).getHsvF(&hue, &saturation, &value);
  if (hue >= 0) {
    hue = std::fmod(std::fmod(hue + static_cast<float>(shift.hue) / 360.0f, 1.0f) + 1.0f, 1.0f);
  }
  saturation = std::clamp(saturation + percent_of_full_range(shift.saturation), 0.0f, 1.0f);
  value = std::clamp(value + percent_of_full_range(shift.value), 0.0f, 1.0f);
  const QColor result = QColor::fromHsvF(hue, saturation, value);
  return {result.red(), result.green(), result.blue()};
}

Skin tinted(const Skin& skin, HsvShift shift) {
  Skin result = skin;
  for (Rgb* colour : {&result.window, &result.window_text, &result.base, &result.alternate_base,
                      &result.text, &result.button, &result.button_text, &result.accent,
                      &result.accent_text, &result.border, &result.disabled_text}) {
    *colour = shifted(*colour, shift);
  }
  return result;
}

QPalette palette_of(const Skin& skin) {
  QPalette palette;
  palette.setColor(QPalette::Window, colour_of(skin.window));
  palette.setColor(QPalette::WindowText, colour_of(skin.window_text));
  palette.setColor(QPalette::Base, colour_of(skin.base));
  palette.setColor(QPalette::AlternateBase, colour_of(skin.alternate_base));
  palette.setColor(QPalette::Text, colour_of(skin.text));
  palette.setColor(QPalette::Button, colour_of(skin.button));
  palette.setColor(QPalette::ButtonText, colour_of(skin.button_text));
  palette.setColor(QPalette::Highlight, colour_of(skin.accent));
  palette.setColor(QPalette::HighlightedText, colour_of(skin.accent_text));
  palette.setColor(QPalette::Link, colour_of(skin.accent));
  palette.setColor(QPalette::ToolTipBase, colour_of(skin.base));
  palette.setColor(QPalette::ToolTipText, colour_of(skin.text));
  palette.setColor(QPalette::PlaceholderText, colour_of(skin.disabled_text));
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, colour_of(skin.disabled_text));
  }
  return palette;
}

QFont font_of(const Skin& skin, const QFont& base) {
  QFont font = base;
  QStringList families;
  for (const QString& family : QString::fromStdString(skin.font_family).split(',')) {
    if (!family.trimmed().isEmpty()) {
      families << family.trimmed();
    }
  }
  if (families.isEmpty()) {
    return base;
  }
  font.setFamilies(families);
  font.setPointSize(skin.font_size);
  return font;
}

QString style_sheet_of(const Skin& skin, const Aero& aero) {
  const int border = std::clamp(skin.border_width + aero.extra_border, 0, 8);
  const int radius = std::clamp(skin.radius + aero.extra_radius, 0, 16);
  const int padding = skin.padding;
  QString sheet;
  sheet += QStringLiteral("QMainWindow, QDialog { background: %1; }\n").arg(css(skin.window));
  sheet +=
      QStringLiteral("QLabel { color: %1; background: transparent; }\n").arg(css(skin.window_text));
  sheet += QStringLiteral(
               "QPushButton { background: %1; color: %2; border: %3px solid %4;"
               " border-radius: %5px; padding: %6px %7px; }\n"
               "QPushButton:hover { border-color: %8; }\n"
               "QPushButton:pressed { background: %8; color: %9; }\n")
               .arg(css(skin.button), css(skin.button_text))
               .arg(border)
               .arg(css(skin.border))
               .arg(radius)
               .arg(padding / 2)
               .arg(padding * 2)
               .arg(css(skin.accent), css(skin.accent_text));
  sheet += QStringLiteral("QPushButton:disabled { color: %1; border-color: %2; }\n")
               .arg(css(skin.disabled_text), css(skin.border));
  sheet += QStringLiteral(
               "QLineEdit, QTextEdit, QPlainTextEdit { background: %1; color: %2;"
               " border: %3px solid %4; border-radius: %5px; padding: 1px %6px;"
               " selection-background-color: %7; selection-color: %8; }\n"
               "QLineEdit:focus, QTextEdit:focus, QPlainTextEdit:focus { border-color: %7; }\n")
               .arg(css(skin.base), css(skin.text))
               .arg(border)
               .arg(css(skin.border))
               .arg(radius)
               .arg(padding / 2)
               .arg(css(skin.accent), css(skin.accent_text));
  sheet += QStringLiteral(
               "QTabWidget::pane { background: %1; border: %2px solid %3; top: -%2px; }\n"
               "QTabBar::tab { background: %4; color: %5; border: %2px solid %3;"
               " border-bottom: none; padding: %6px %7px; margin-right: 2px;"
               " border-top-left-radius: %8px; border-top-right-radius: %8px; }\n"
               "QTabBar::tab:selected { background: %1; border-top: 3px solid %9; }\n")
               .arg(css(skin.window))
               .arg(border)
               .arg(css(skin.border), css(skin.button), css(skin.button_text))
               .arg(padding)
               .arg(padding * 3)
               .arg(radius)
               .arg(css(skin.accent));
  sheet += QStringLiteral(
               "QProgressBar { background: %1; color: %2; border: %3px solid %4;"
               " border-radius: %5px; text-align: center; }\n"
               "QProgressBar::chunk { background: %6; }\n")
               .arg(css(skin.base), css(skin.text))
               .arg(border)
               .arg(css(skin.border))
               .arg(radius)
               .arg(css(skin.accent));
  return sheet;
}

double window_opacity(const Aero& aero) {
  if (aero.alpha <= 0 || aero.alpha >= 255) {
    return 1.0;
  }
  return aero.alpha / 255.0;
}

}  // namespace sonivo::skin
