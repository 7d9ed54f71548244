#pragma once
// A Flash movie made by the tests (no Flash compiler exists on the machine): an
// uncompressed SWF of one frame whose actions trace `_root.url` and stream it as a sound,
//
//   trace(_root.url);
//   var s = new Sound();
//   s.loadSound(_root.url, true);
//
// on a stage of the given colour, 360 x 27 pixels like the listening window's box.

#include <cstdint>
#include <string>

namespace sonivo::testing {

struct StageColour {
  std::uint8_t red = 0x33;
  std::uint8_t green = 0x99;
  std::uint8_t blue = 0xFF;
};

std::string sound_playing_movie(StageColour colour = {});

}  // namespace sonivo::testing
