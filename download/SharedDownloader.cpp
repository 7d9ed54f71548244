#include "download/SharedDownloader.h"

#include "download/RangeDownloader.h"

namespace sonivo {

RangeDownloader* shared_downloader = nullptr;

void create_shared_downloader() {
  if (shared_downloader == nullptr) {
    shared_downloader = new RangeDownloader();
  }
}

void release_shared_downloader() {
  delete shared_downloader;  // the destructor is the object's destroy operation
  shared_downloader = nullptr;
}

}  // namespace sonivo
