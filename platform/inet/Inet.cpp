#include "platform/inet/Inet.h"

#include "platform/inet/CurlInet.h"

namespace sonivo {
namespace {

Inet* installed_layer = nullptr;

}  // namespace

Inet& inet() {
  if (installed_layer) {
    return *installed_layer;
  }
  static CurlInet default_layer;
  return default_layer;
}

void install_inet(Inet* layer) {
  installed_layer = layer;
}

}  // namespace sonivo
