#include "download/DownloadTab.h"

#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "core/WindowServices.h"
#include "download/RangeDownloader.h"
#include "download/SharedDownloader.h"
#include "download/StatusTexts.h"
#include "platform/files/Files.h"
#include "text/Gbk.h"
#include "text/HtmlReferences.h"
#include "text/TextOps.h"

namespace sonivo {
namespace {

const ControlRef kCancelButton{main_window::WINDOW, main_window::CANCEL_BUTTON};
const ControlRef kFolderBox{main_window::WINDOW, main_window::FOLDER_BOX};
const ControlRef kNameBox{main_window::WINDOW, main_window::NAME_BOX};
const ControlRef kProgressBar{main_window::WINDOW, main_window::PROGRESS_BAR};
const ControlRef kProgressLabel{main_window::WINDOW, main_window::PROGRESS_LABEL};

constexpr uint8_t DOWNLOAD_CHUNK_KB = 20;

}  // namespace

void start_download() {
  WindowServices& ui = window_services();
  ui.set_disabled(kCancelButton, false);

  // One level only: a failure shows up later as the downloader's "cannot open".
  const Text folder = ui.text(kFolderBox);
  if (!files::exists(folder)) {
    files::create_folder(folder);
  }

  const ResolvedSound& sound = resolved_sound();
  if (sound.audio_link.empty()) {
    ui.message_box(gbk("下载地址不正确，请检查地址是否已经解析！"), MB_OK, gbk("友情提醒："));
    return;
  }

  RangeDownloader& downloader = *shared_downloader;
  // From the second press on init refuses and keeps these same callbacks.
  downloader.init(on_download_progress, on_download_done);
  downloader.set_target_file(ui.text(kFolderBox) + ui.text(kNameBox));
  downloader.set_source(decode_html_references(sound.audio_link), Text());
  downloader.set_chunk_kb(DOWNLOAD_CHUNK_KB);
  downloader.run();
}

Text progress_text(const Text& target_file, int32_t total_length, int32_t speed, int32_t percent) {
  return target_file + gbk("\r\n文件尺寸：") + decimal(total_length) + gbk("Bit\r\n下载进度：") +
         decimal(percent) + gbk("%\r\n下载速度：") + decimal(speed) + gbk(" KB/S");
}

void on_download_progress(const Text& target_file, int32_t total_length, int32_t speed,
                          int32_t percent) {
  WindowServices& ui = window_services();
  ui.set_position(kProgressBar, percent);
  ui.set_text(kProgressLabel, progress_text(target_file, total_length, speed, percent));
}

// A changed file on the server gets a second line that shows the way to the new file.
void on_download_done(const Text& /*url*/, int32_t /*http_status*/, const Text& status_text,
                      int32_t /*percent*/) {
  Text message = status_text;
  if (status_text == status_text_of(RunOutcome::ContentChanged)) {
    message += Text("\r\n") + gbk(CONTENT_CHANGED_ADVICE);
  }
  window_services().message_box(message, MB_OK, std::nullopt);
}

}  // namespace sonivo
