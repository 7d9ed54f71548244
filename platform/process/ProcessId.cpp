#include "platform/process/ProcessId.h"

#include <unistd.h>

namespace sonivo {

std::uint32_t current_process_id() {
  return static_cast<std::uint32_t>(getpid());
}

}  // namespace sonivo
