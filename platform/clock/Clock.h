#pragma once
// The millisecond tick count since an arbitrary start, wrapping at 2^32 like
// GetTickCount. Tests replace the source to drive time-outs without waiting.

#include <cstdint>
#include <functional>

namespace sonivo::clock {

uint32_t tick_count();

// An empty function restores the steady clock.
void set_tick_source(std::function<uint32_t()> source);

}  // namespace sonivo::clock
