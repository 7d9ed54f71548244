#include "core/WindowServices.h"

#include <cstdlib>
#include <iostream>

namespace sonivo {
namespace {
WindowServices* installed = nullptr;
}

WindowServices& window_services() {
  if (!installed) {
    std::cerr << "window services used before the toolkit started\n";
    std::abort();
  }
  return *installed;
}

void install_window_services(WindowServices* services) {
  installed = services;
}

}  // namespace sonivo
