#pragma once
// The hosts and the label the program names. All under the reserved .example domain.
// Each can be pointed elsewhere through an environment variable of the same name with
// the prefix SONIVO_ (SONIVO_MAKER_SITE_HOST=127.0.0.1:8080), which the tests use to
// reach loopback servers.

#include "text/Text.h"

namespace sonivo {

inline constexpr const char* SITE_LABEL = "www.tavex.example";
inline constexpr const char* MAKER_SITE_HOST = "www.tavex.example";
inline constexpr const char* COMMUNITY_HOST = "www.sonivo.example";
inline constexpr const char* PLAYER_HOST = "player.tavex.example";

Text site_label();
Text maker_site_host();
Text community_host();
Text player_host();

}  // namespace sonivo
