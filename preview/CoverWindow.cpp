#include "preview/CoverWindow.h"

#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "platform/files/Files.h"
#include "platform/httpread/HttpFileRead.h"
#include "text/Gbk.h"
#include "text/HtmlReferences.h"

namespace sonivo {
namespace {

const ControlRef kPicture{cover_window::WINDOW, cover_window::PICTURE};
const ControlRef kSaveDialog{cover_window::WINDOW, cover_window::SAVE_DIALOG};

}  // namespace

void open_cover_window() {
  if (!resolved_sound().cover_url.empty()) {
    window_services().load_window(cover_window::WINDOW, true);
    return;
  }
  window_services().message_box(gbk("图片地址不正确，请检查地址是否已经解析！"), MB_OK,
                                gbk("友情提醒："));
}

void cover_window_created() {
  // The address as the page means it: its character references decoded, as a browser does.
  const Bytes picture = http_file_read(decode_html_references(resolved_sound().cover_url));
  window_services().set_picture(kPicture, picture);
}

void save_cover_picture(const EventArgs& /*args*/) {
  WindowServices& ui = window_services();
  if (!ui.run_file_dialog(kSaveDialog)) {
    return;
  }
  const Text path = ui.text(kSaveDialog);
  const Bytes picture = ui.picture(kPicture);
  // Nothing is decoded or converted, and a failed write says nothing.
  files::write_whole_file(path, picture);
}

}  // namespace sonivo
