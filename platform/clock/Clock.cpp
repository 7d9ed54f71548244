#include "platform/clock/Clock.h"

#include <chrono>

namespace sonivo::clock {
namespace {

std::function<uint32_t()>& source() {
  static std::function<uint32_t()> replacement;
  return replacement;
}

}  // namespace

uint32_t tick_count() {
  if (source()) {
    return source()();
  }
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void set_tick_source(std::function<uint32_t()> replacement) {
  source() = std::move(replacement);
}

}  // namespace sonivo::clock
