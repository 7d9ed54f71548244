#pragma once
// The hosts and the site label that the templates show come from core/Hosts.h, so that
// they are chosen in one place (and tests can point them at loopback). They are written
// when a window is created, before its browser boxes navigate and before its created
// event.

#include <string>

namespace sonivo::app {

void apply_host_texts(const std::string& window);

}  // namespace sonivo::app
