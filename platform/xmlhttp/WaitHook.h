#pragma once
// Work the waiting thread may do while an answer is on its way. The component blocks the
// thread that waits for it (in the program, the GUI thread, for a whole download); the
// window services use these moments to put what the download has written on the screen,
// where the paint costs the download nothing because the request is already out.
//
// The hook runs on the waiting thread before each time waitForResponse blocks, and
// returns how many milliseconds it wants that block to last at most before it runs
// again, or a negative number for no limit. It must not wait itself.

#include <functional>

namespace sonivo::xmlhttp {

using WaitHook = std::function<int()>;

// An empty function removes the hook.
void set_wait_hook(WaitHook hook);

// Runs the hook; -1 when there is none.
int run_wait_hook();

}  // namespace sonivo::xmlhttp
