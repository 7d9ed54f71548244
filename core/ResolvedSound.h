#pragma once
// What the last resolve found. Written only by the resolve command; read by the
// download tab and the preview windows.

#include "text/Text.h"

namespace sonivo {

struct ResolvedSound {
  Text audio_link;
  Text page_text;
  Text sound_name;
  Text duration;
  Text cover_url;
};

// The process-wide record, created empty at start-up.
ResolvedSound& resolved_sound();

}  // namespace sonivo
