#pragma once
// The toolkit's exit hook: at most one, called at most once, forgotten after the call.

namespace sonivo::app {

using ExitHook = void (*)();

void register_exit_hook(ExitHook hook);
// Calls the hook if one is registered, then forgets it.
void run_exit_hook();
// Forgets the hook without calling it (the fatal stop's road).
void forget_exit_hook();

}  // namespace sonivo::app
