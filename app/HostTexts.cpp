#include "app/HostTexts.h"

#include "core/ControlNames.h"
#include "core/Hosts.h"
#include "core/WindowServices.h"
#include "text/Gbk.h"

namespace sonivo::app {

void apply_host_texts(const std::string& window) {
  WindowServices& services = window_services();
  if (window == main_window::WINDOW) {
    services.set_text({main_window::WINDOW, ""},
                      gbk("Sonivo音乐社区App 下载/外链 解析助手 - ") + site_label());
    services.set_text({main_window::WINDOW, main_window::ADDRESS_BOX},
                      Text("http://") + community_host() + Text("/sound/4752"));
    services.set_text({main_window::WINDOW, main_window::ABOUT_BROWSER},
                      Text("http://") + maker_site_host() + Text("/a/jx.html"));
  } else if (window == cover_window::WINDOW) {
    services.set_text(
        {cover_window::WINDOW, ""},
        gbk("图片展示 - ") + site_label() + gbk(" [ 小贴士：右击图片即可保存到本地喔！]"));
  }
}

}  // namespace sonivo::app
