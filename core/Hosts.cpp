#include "core/Hosts.h"

#include <cstdlib>
#include <string>

namespace sonivo {
namespace {

Text overridable(const char* name, const char* fallback) {
  const char* value = std::getenv((std::string("SONIVO_") + name).c_str());
  return Text(value && *value ? value : fallback);
}

}  // namespace

Text site_label() {
  return overridable("SITE_LABEL", SITE_LABEL);
}
Text maker_site_host() {
  return overridable("MAKER_SITE_HOST", MAKER_SITE_HOST);
}
Text community_host() {
  return overridable("COMMUNITY_HOST", COMMUNITY_HOST);
}
Text player_host() {
  return overridable("PLAYER_HOST", PLAYER_HOST);
}

}  // namespace sonivo
