#include "app/SkinCalls.h"

#include "app/Startup.h"
#include "core/FatalStop.h"
#include "platform/library/BoundFunction.h"
#include "platform/library/CheckedCall.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

constexpr const char* SKIN_LIBRARY = "jedata.dll";

library::BoundFunction attach_ex{SKIN_LIBRARY, "SkinH_AttachEx"};
library::BoundFunction adjust_hsv{SKIN_LIBRARY, "SkinH_AdjustHSV"};
library::BoundFunction adjust_aero{SKIN_LIBRARY, "SkinH_AdjustAero"};

// The toolkit's clean-up unloads what was bound; registered with the first binding.
void unload_at_shutdown() {
  static bool registered = false;
  if (!registered) {
    registered = true;
    add_toolkit_cleanup(library::unload_bound_libraries);
  }
}

void* bound(library::BoundFunction& function) {
  unload_at_shutdown();
  if (!library::bind_function(function)) {
    fatal_stop(library::missing_function_message(function));
  }
  return function.address;
}

int checked(const library::CallResult& result) {
  if (!result.stack_intact) {
    fatal_stop(gbk("调用DLL命令后发现堆栈错误"), 6);
  }
  return result.value;
}

}  // namespace

int SkinH_AttachEx(const Text& skin_path, const Text& second) {
  return checked(library::call_dll_function(bound(attach_ex), skin_path.c_str(), second.c_str()));
}

int SkinH_AdjustHSV(int hue, int saturation, int value) {
  return checked(library::call_dll_function(bound(adjust_hsv), hue, saturation, value));
}

int SkinH_AdjustAero(int alpha, int shadow_x, int shadow_y, int shadow_blur, int shadow_red,
                     int shadow_green, int shadow_blue, int extra_radius, int extra_border) {
  return checked(library::call_dll_function(bound(adjust_aero), alpha, shadow_x, shadow_y,
                                            shadow_blur, shadow_red, shadow_green, shadow_blue,
                                            extra_radius, extra_border));
}

}  // namespace sonivo
