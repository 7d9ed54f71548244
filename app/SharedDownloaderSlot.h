#pragma once
// Creates and releases the one downloader when the download folder provides it (the
// build links it then); without it there is nothing to create.

namespace sonivo::app {

bool create_downloader_in_slot();   // true when a downloader was created
bool release_downloader_in_slot();  // true when one was released

}  // namespace sonivo::app
