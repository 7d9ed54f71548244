#pragma once
// Our skin file format. A skin file begins with the four bytes ".SHE" and a line break;
// the rest is UTF-8 text, one "key=value" per line. Empty lines and lines beginning with
// '#' are ignored, as are unknown keys and values that do not read, which keep the
// built-in value, so an older engine reads a newer file.
//
// Keys:
//   format           1
//   name             shown nowhere; names the skin
//   window           colour of window and dialog backgrounds          (#rrggbb)
//   window_text      text on window backgrounds: labels, captions
//   base             background of edit boxes and lists
//   alternate_base   alternate rows, read-only edit boxes
//   text             text in edit boxes
//   button           face of push buttons and inactive tabs
//   button_text      text on buttons and tabs
//   accent           selection, focus frame, the current tab, progress
//   accent_text      text on the accent colour
//   border           frames of controls
//   disabled_text    text of disabled controls
//   border_width     frame width in pixels (0..8)
//   radius           corner radius in pixels (0..16)
//   padding          inner space of buttons and edit boxes in pixels (0..16)
//   font_family      font families, best first, separated by ','
//   font_size        font size in points (6..32)
//   shadow_alpha     opacity of the shadows the aero setting casts (0..255)

#include <optional>
#include <string>
#include <string_view>

namespace sonivo::skin {

struct Rgb {
  int r = 0;
  int g = 0;
  int b = 0;
  bool operator==(const Rgb&) const = default;
};

struct Skin {
  std::string name;
  Rgb window{0xf0, 0xf0, 0xf0};
  Rgb window_text{0x20, 0x20, 0x20};
  Rgb base{0xff, 0xff, 0xff};
  Rgb alternate_base{0xf7, 0xf7, 0xf7};
  Rgb text{0x20, 0x20, 0x20};
  Rgb button{0xe1, 0xe1, 0xe1};
  Rgb button_text{0x20, 0x20, 0x20};
  Rgb accent{0x30, 0x78, 0xd0};
  Rgb accent_text{0xff, 0xff, 0xff};
  Rgb border{0xb4, 0xb4, 0xb4};
  Rgb disabled_text{0x9a, 0x9a, 0x9a};
  int border_width = 1;
  int radius = 2;
  int padding = 4;
  std::string font_family;
  int font_size = 9;
  int shadow_alpha = 96;
};

inline constexpr std::string_view SKIN_MAGIC = ".SHE";

// The skin a file's bytes describe; nothing when they do not begin with ".SHE".
std::optional<Skin> parse_skin(std::string_view bytes);

// "#rrggbb" (either case); nothing otherwise.
std::optional<Rgb> parse_colour(std::string_view value);

}  // namespace sonivo::skin
