#include "core/FatalStop.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/WindowServices.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

FatalStopBox& installed_box() {
  static FatalStopBox box;
  return box;
}
std::function<void()>& installed_cleanup() {
  static std::function<void()> cleanup;
  return cleanup;
}
std::function<void()>& installed_forgetter() {
  static std::function<void()> forget;
  return forget;
}

}  // namespace

void set_fatal_stop_box(FatalStopBox box) {
  installed_box() = std::move(box);
}
void set_toolkit_cleanup(std::function<void()> cleanup) {
  installed_cleanup() = std::move(cleanup);
}
void set_exit_hook_forgetter(std::function<void()> forget) {
  installed_forgetter() = std::move(forget);
}

Text fatal_stop_text(const Text& message, std::optional<int> code) {
  Text text = gbk("运行时出错!\r\n\r\n");
  if (code) {
    text += gbk("错误代码：") + Text(std::to_string(*code)) + Text("\r\n\r\n");
  }
  if (!message.empty()) {
    text += gbk("错误信息：") + message + Text("\r\n");
  }
  return text;
}

void fatal_stop(const Text& message, std::optional<int> code) {
  // A stop raised while one is under way (an allocation failing again while the box is
  // built, a box that cannot be shown) ends the process at once instead of recursing.
  static bool stopping = false;
  if (stopping) {
    std::_Exit(-1);
  }
  stopping = true;
  const Text text = fatal_stop_text(message, code);
  if (installed_box()) {
    installed_box()(text, gbk("错误"), MB_ICONERROR);
  } else {
    std::fprintf(stderr, "%s\n", utf8_of(text).c_str());
  }
  if (installed_forgetter()) {
    installed_forgetter()();
  }
  if (installed_cleanup()) {
    installed_cleanup()();
  }
  std::fflush(nullptr);
  // No static destructors and no atexit handlers: nothing of the program's state is
  // released on this road.
  std::_Exit(-1);
}

void allocation_failure_stop(std::size_t bytes) {
  // Formatting must not allocate through operator new any more than it has to; the text
  // is short and built once.
  char message[64];
  std::snprintf(message, sizeof message, "%zu", bytes);
  fatal_stop(gbk("分配 ") + Text(message) + gbk(" 字节内存失败!"));
}

}  // namespace sonivo
