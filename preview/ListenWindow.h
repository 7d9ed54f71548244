#pragma once
// The listening window: a small modal window whose browser box loads the player page
// with the resolved audio address.

#include "text/Text.h"

namespace sonivo {

// Handler of the 在线收听 button.
void open_listen_window();
// Handler of the window's created event.
void listen_window_created();

// "http://<player host>/plus/player.swf?url=" followed by the audio address with the page's
// character references decoded (&amp; is "&"), percent-encoded so that its own "&", "#"
// and "?" stay part of the value.
Text player_address(const Text& audio_link);

}  // namespace sonivo
