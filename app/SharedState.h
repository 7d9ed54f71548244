#pragma once
// The process-wide state the handlers share: the ResolvedSound record, the one downloader
// and the window scratch list. Created once at start-up, released once at shutdown.

#include <string>
#include <vector>

namespace sonivo {

// Stage 2: the five texts of the resolved sound empty, the downloader allocated, the
// window scratch list allocated empty.
void create_shared_state();

// The exit hook. Releases, in this order: audio_link, shared_downloader, page_text,
// sound_name, duration, cover_url, every entry left in window_scratch, the list itself.
// Absent texts are skipped.
void release_shared_state();

// When set, release_shared_state appends the name of each thing it releases, in order.
void set_release_trace(std::vector<std::string>* trace);

}  // namespace sonivo
