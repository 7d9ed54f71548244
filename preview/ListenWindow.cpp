#include "preview/ListenWindow.h"

#include "core/ControlNames.h"
#include "core/Hosts.h"
#include "core/ResolvedSound.h"
#include "core/WindowServices.h"
#include "text/Gbk.h"
#include "text/HtmlReferences.h"
#include "text/PercentEncoding.h"

namespace sonivo {
namespace {

const ControlRef kPlayerBox{listen_window::WINDOW, listen_window::PLAYER_BROWSER};

}  // namespace

Text player_address(const Text& audio_link) {
  const Text fixed_part = Text("http://") + player_host() + Text("/plus/player.swf?url=");
  // The page's character references are decoded first, as a browser does for an
  // attribute, so the player is handed the address the page means.
  return fixed_part +
         Text(percent_encode(utf8_of(decode_html_references(audio_link)), is_unreserved_in_url));
}

void open_listen_window() {
  if (!resolved_sound().audio_link.empty()) {
    window_services().load_window(listen_window::WINDOW, true);
    return;
  }
  window_services().message_box(gbk("请输入链接地址后再进行试听！"), MB_OK, std::nullopt);
}

void listen_window_created() {
  const ResolvedSound& sound = resolved_sound();
  WindowServices& ui = window_services();
  ui.set_text({listen_window::WINDOW, ""},
              gbk("正在试听：") + sound.sound_name + Text(" - ") + site_label());
  ui.set_text(kPlayerBox, player_address(sound.audio_link));
}

}  // namespace sonivo
