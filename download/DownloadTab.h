#pragma once
// The download page of the main window: its 下载 button and the two callbacks through
// which the downloader reports back into the page.

#include <cstdint>

#include "text/Text.h"

namespace sonivo {

// Handler of the 下载 button. Returns when the run has ended.
void start_download();

void on_download_progress(const Text& target_file, int32_t total_length, int32_t speed,
                          int32_t percent);
void on_download_done(const Text& url, int32_t http_status, const Text& status_text,
                      int32_t percent);

// The four-line read-out shown in the page's transparent label.
Text progress_text(const Text& target_file, int32_t total_length, int32_t speed, int32_t percent);

}  // namespace sonivo
