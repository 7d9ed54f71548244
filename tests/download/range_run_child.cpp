// Runs one download in a process of its own, so that a test can kill it in the middle of
// a run: range_run_child <url> <target file>. Exit code 0 when the run ends complete.

#include "download/RangeDownloader.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    return 2;
  }
  sonivo::RangeDownloader downloader;
  if (!downloader.init(nullptr, nullptr)) {
    return 3;
  }
  downloader.set_source(sonivo::Text(argv[1]), sonivo::Text());
  downloader.set_target_file(sonivo::Text(argv[2]));
  downloader.set_chunk_kb(20);
  return downloader.run() ? 0 : 1;
}
