// The process id is the one the host gives this process, as window enumerations report it.

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/process/ProcessId.h"

namespace sonivo {
namespace {

TEST(ProcessId, IsTheHostsIdOfThisProcess) {
  EXPECT_EQ(current_process_id(), static_cast<std::uint32_t>(getpid()));
}

}  // namespace
}  // namespace sonivo
