#pragma once
// The benchmarks' view of this process's memory, read from /proc/self.

namespace sonivo::bench {

// A "Name:   123 kB" field of /proc/self/status in KB (VmRSS, VmHWM), 0 when absent.
long status_kb(const char* field);

// Resets the peak (VmHWM) to the current resident size (Linux 4.0 and later).
void reset_peak();

}  // namespace sonivo::bench
