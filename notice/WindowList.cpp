#include "notice/WindowList.h"

namespace sonivo {

std::vector<WindowEntry>* window_scratch = nullptr;

namespace {

// What the enumeration callback does for each top-level window.
void note_window(const TopLevelWindow& window, std::vector<WindowEntry>& scratch) {
  if (window.visible) {
    scratch.push_back({window.window, window.process_id});
  }
}

}  // namespace

void list_visible_windows(std::vector<WindowEntry>& list) {
  // Outside start-up and shutdown there is no program-wide list; a local one stands in.
  std::vector<WindowEntry> stand_in;
  std::vector<WindowEntry>& scratch = window_scratch ? *window_scratch : stand_in;
  for (const TopLevelWindow& window : window_services().top_level_windows()) {
    note_window(window, scratch);
  }
  std::vector<WindowEntry> copy = scratch;
  scratch.clear();
  list = std::move(copy);
}

WindowHandle process_window(uint32_t process_id) {
  std::vector<WindowEntry> list;
  list_visible_windows(list);
  for (const WindowEntry& entry : list) {
    if (entry.process_id == process_id) {
      return entry.window;
    }
  }
  return 0;
}

}  // namespace sonivo
