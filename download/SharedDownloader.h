#pragma once
// The program's one downloader, created at start-up and destroyed at shutdown.

namespace sonivo {

class RangeDownloader;

extern RangeDownloader* shared_downloader;

void create_shared_downloader();   // allocated in its state after creation
void release_shared_downloader();  // destroy, then free

}  // namespace sonivo
