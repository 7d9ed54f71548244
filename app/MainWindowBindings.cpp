#include "app/MainWindowBindings.h"

#include "app/SkinSetup.h"
#include "core/ControlNames.h"
#include "core/Hosts.h"
#include "core/WindowServices.h"
#include "download/DownloadTab.h"
#include "preview/CoverWindow.h"
#include "preview/ListenWindow.h"
#include "resolve/ResolveSoundPage.h"

namespace sonivo {
namespace {

template <void (*handler)()>
void ignoring_args(const EventArgs&) {
  handler();
}

struct Binding {
  const char* window;
  const char* control;  // empty: the window itself
  Event event;
  void (*handler)(const EventArgs&);
};

// Nothing else is bound: not 取消, not 时钟1, no other event of the windows.
constexpr Binding BINDINGS[] = {
    {main_window::WINDOW, "", Event::Created, ignoring_args<tint_skin>},
    {main_window::WINDOW, main_window::BANNER, Event::LeftButtonDown,
     ignoring_args<open_feedback_page>},
    {main_window::WINDOW, main_window::RESOLVE_BUTTON, Event::Clicked,
     ignoring_args<resolve_sound_page>},
    {main_window::WINDOW, main_window::LISTEN_BUTTON, Event::Clicked,
     ignoring_args<open_listen_window>},
    {main_window::WINDOW, main_window::COVER_BUTTON, Event::Clicked,
     ignoring_args<open_cover_window>},
    {main_window::WINDOW, main_window::FEEDBACK_BUTTON, Event::Clicked,
     ignoring_args<open_feedback_page>},
    {main_window::WINDOW, main_window::DOWNLOAD_BUTTON, Event::Clicked,
     ignoring_args<start_download>},
    {listen_window::WINDOW, "", Event::Created, ignoring_args<listen_window_created>},
    {cover_window::WINDOW, "", Event::Created, ignoring_args<cover_window_created>},
    {cover_window::WINDOW, cover_window::PICTURE, Event::RightButtonDown, save_cover_picture},
};

}  // namespace

Text feedback_page_address() {
  return Text("http://") + maker_site_host() +
         Text("/sonivo-app-jiexi.html?frome=sonivo_jiexi_v1.2");
}

void open_feedback_page() {
  window_services().open_url(feedback_page_address());
}

void bind_window_events() {
  for (const Binding& binding : BINDINGS) {
    window_services().bind({binding.window, binding.control}, binding.event, binding.handler);
  }
}

}  // namespace sonivo
