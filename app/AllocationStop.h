#pragma once

namespace sonivo {

// Routes every failed operator new of the program to allocation_failure_stop with the
// number of bytes it asked for (a std::new_handler; the program's allocation functions
// remember the size, which a new_handler is not told).
void install_allocation_failure_stop();

}  // namespace sonivo
