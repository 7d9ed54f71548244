#include "skin/SkinFile.h"

#include <algorithm>
#include <charconv>

#include "text/AsciiTrim.h"

namespace sonivo::skin {
namespace {

// A line's blanks, with the CR of a CR LF line end.
std::string_view trimmed(std::string_view s) {
  return trim_ascii(s, " \t\r");
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

std::optional<int> parse_number(std::string_view value, int low, int high) {
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc() || end != value.data() + value.size()) {
    return std::nullopt;
  }
  return std::clamp(number, low, high);
}

void set_colour(Rgb& field, std::string_view value) {
  if (const auto colour = parse_colour(value)) {
    field = *colour;
  }
}

void set_number(int& field, std::string_view value, int low, int high) {
  if (const auto number = parse_number(value, low, high)) {
    field = *number;
  }
}

void apply(Skin& skin, std::string_view key, std::string_view value) {
  struct ColourKey {
    std::string_view key;
    Rgb Skin::*field;
  };
  static constexpr ColourKey colours[] = {
      {"window", &Skin::window},
      {"window_text", &Skin::window_text},
      {"base", &Skin::base},
      {"alternate_base", &Skin::alternate_base},
      {"text", &Skin::text},
      {"button", &Skin::button},
      {"button_text", &Skin::button_text},
      {"accent", &Skin::accent},
      {"accent_text", &Skin::accent_text},
      {"border", &Skin::border},
      {"disabled_text", &Skin::disabled_text},
  };
  for (const ColourKey& colour : colours) {
    if (key == colour.key) {
      set_colour(skin.*colour.field, value);
      return;
    }
  }
  if (key == "name") {
    skin.name = value;
  } else if (key == "font_family") {
    skin.font_family = value;
  } else if (key == "border_width") {
    set_number(skin.border_width, value, 0, 8);
  } else if (key == "radius") {
    set_number(skin.radius, value, 0, 16);
  } else if (key == "padding") {
    set_number(skin.padding, value, 0, 16);
  } else if (key == "font_size") {
    set_number(skin.font_size, value, 6, 32);
  } else if (key == "shadow_alpha") {
    set_number(skin.shadow_alpha, value, 0, 255);
  }
}

}  // namespace

std::optional<Rgb> parse_colour(std::string_view value) {
  if (value.size() != 7 || value[0] != '#') {
    return std::nullopt;
  }
  int channel[3];
  for (std::size_t i = 0; i < 3; ++i) {
    const int high = hex_digit(value[1 + 2 * i]);
    const int low = hex_digit(value[2 + 2 * i]);
    if (high < 0 || low < 0) {
      return std::nullopt;
    }
    channel[i] = high * 16 + low;
  }
  return Rgb{channel[0], channel[1], channel[2]};
}

std::optional<Skin> parse_skin(std::string_view bytes) {
  if (!bytes.starts_with(SKIN_MAGIC)) {
    return std::nullopt;
  }
  bytes.remove_prefix(SKIN_MAGIC.size());
  Skin skin;
  while (!bytes.empty()) {
    const std::size_t end = std::min(bytes.find('\n'), bytes.size());
    const std::string_view line = trimmed(bytes.substr(0, end));
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
    const std::size_t equals = line.find('=');
    if (line.empty() || line.front() == '#' || equals == std::string_view::npos) {
      continue;
    }
    apply(skin, trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
  }
  return skin;
}

}  // namespace sonivo::skin
