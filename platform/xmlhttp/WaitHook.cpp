#include "platform/xmlhttp/WaitHook.h"

namespace sonivo::xmlhttp {
namespace {

WaitHook& hook() {
  static WaitHook installed;
  return installed;
}

}  // namespace

void set_wait_hook(WaitHook replacement) {
  hook() = std::move(replacement);
}

int run_wait_hook() {
  return hook() ? hook()() : -1;
}

}  // namespace sonivo::xmlhttp
