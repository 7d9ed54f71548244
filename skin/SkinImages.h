#pragma once
// The two images the program carries and writes out at every start: our skin library
// (written as "jedata.dll") and our skin file (written as "win8.she"). Both are the
// files the build made, embedded byte for byte.

#include "text/Text.h"

namespace sonivo::skin {

Bytes skin_library_image();
Bytes skin_file_image();

}  // namespace sonivo::skin
