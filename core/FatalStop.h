#pragma once
// The end of the program after an unrecoverable error: a box titled "错误" with the error
// icon, then the toolkit's own clean-up, then exit code -1. The exit hook is forgotten
// without being called, so the shared state is not released.
//
// The toolkit installs the real box and its clean-up; until it does, the box text goes
// to the standard error stream, which is also what a test sees in a child process.

#include <cstddef>
#include <functional>
#include <optional>

#include "text/Text.h"

namespace sonivo {

// Shows the box and returns when it has been dismissed.
using FatalStopBox = std::function<void(const Text& text, const Text& title, int flags)>;
void set_fatal_stop_box(FatalStopBox box);

// The toolkit's clean-up (libraries it bound, its hidden windows), run before the exit.
void set_toolkit_cleanup(std::function<void()> cleanup);

// Called by a fatal stop before the clean-up: the toolkit forgets its exit hook there.
void set_exit_hook_forgetter(std::function<void()> forget);

// "运行时出错!\r\n\r\n", then "错误代码：<code>\r\n\r\n" when a code is given, then
// "错误信息：<message>\r\n" when a message is given.
Text fatal_stop_text(const Text& message, std::optional<int> code);

// A stop raised while another is under way exits with -1 at once.
[[noreturn]] void fatal_stop(const Text& message, std::optional<int> code = {});

// The stop for a failed allocation: "分配 <bytes> 字节内存失败!", no code.
[[noreturn]] void allocation_failure_stop(std::size_t bytes);

}  // namespace sonivo
