#pragma once
// The three functions of the skin library the program calls, declared as functions of
// "jedata.dll" with the platform's DLL calling convention. Each is bound on its first
// call (platform/library/BoundFunction.h); a library or export that cannot be found ends
// the program with the fatal stop that names both, without an error code. After every
// call the stack is checked where the calling convention can upset it (code 6).

#include "text/Text.h"

namespace sonivo {

int SkinH_AttachEx(const Text& skin_path, const Text& second);
int SkinH_AdjustHSV(int hue, int saturation, int value);
int SkinH_AdjustAero(int alpha, int shadow_x, int shadow_y, int shadow_blur, int shadow_red,
                     int shadow_green, int shadow_blue, int extra_radius, int extra_border);

}  // namespace sonivo
