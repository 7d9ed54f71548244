#pragma once
// Visible top-level windows, as an enumeration reports them.

#include <cstdint>
#include <vector>

#include "core/WindowServices.h"

namespace sonivo {

struct WindowEntry {
  WindowHandle window = 0;
  uint32_t process_id = 0;
  bool operator==(const WindowEntry&) const = default;
};

// Program-wide list that an enumeration fills; created and freed by start-up and
// shutdown, empty between enumerations.
extern std::vector<WindowEntry>* window_scratch;

void list_visible_windows(std::vector<WindowEntry>& list);
WindowHandle process_window(uint32_t process_id);

}  // namespace sonivo
