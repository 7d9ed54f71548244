#include "app/SharedDownloaderSlot.h"

#if SONIVO_HAVE_DOWNLOADER
#include "download/SharedDownloader.h"
#endif

namespace sonivo::app {

#if SONIVO_HAVE_DOWNLOADER
bool create_downloader_in_slot() {
  create_shared_downloader();
  return true;
}
bool release_downloader_in_slot() {
  if (!shared_downloader)
    return false;
  release_shared_downloader();
  return true;
}
#else
bool create_downloader_in_slot() {
  return false;
}
bool release_downloader_in_slot() {
  return false;
}
#endif

}  // namespace sonivo::app
