#pragma once
// The running process's id, as the window enumeration reports it for each window.

#include <cstdint>

namespace sonivo {

std::uint32_t current_process_id();

}  // namespace sonivo
