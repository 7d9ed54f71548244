#include "app/ExitHook.h"

namespace sonivo::app {
namespace {
ExitHook registered = nullptr;
}

void register_exit_hook(ExitHook hook) {
  registered = hook;
}

void run_exit_hook() {
  const ExitHook hook = registered;
  registered = nullptr;
  if (hook) {
    hook();
  }
}

void forget_exit_hook() {
  registered = nullptr;
}

}  // namespace sonivo::app
