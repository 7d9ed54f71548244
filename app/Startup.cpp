#include "app/Startup.h"

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QSurfaceFormat>
#include <cstdlib>
#include <vector>

#include "app/AllocationStop.h"
#include "app/ExitHook.h"
#include "app/FlashScheme.h"
#include "app/MainWindowBindings.h"
#include "app/QtWindowServices.h"
#include "app/SharedState.h"
#include "app/SkinSetup.h"
#include "app/TemplateLoader.h"
#include "core/ControlNames.h"
#include "core/FatalStop.h"
#include "platform/files/Files.h"
#include "platform/xmlhttp/WaitHook.h"
#include "text/Gbk.h"

static void register_template_resources() {
  Q_INIT_RESOURCE(templates);
}

namespace sonivo {
namespace {

std::vector<std::function<void()>>& cleanup_steps() {
  static std::vector<std::function<void()>> steps;
  return steps;
}

void second_initialisation_hook() {}
void third_initialisation_hook() {}

// The error box of a fatal stop goes through the message-box service like every other
// box, so a test's answerer sees it too.
void show_fatal_box(const Text& text, const Text& title, int flags) {
  app::qt_window_services().message_box(text, flags, title);
}

}  // namespace

void prepare_toolkit_environment() {
  if (geteuid() == 0 && !std::getenv("QTWEBENGINE_DISABLE_SANDBOX")) {
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  }
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // The download puts its bar and label on the screen about once a frame without
  // returning to the event loop; with the swap tied to the display's refresh each of
  // those flushes would also wait for the display, a frame of lost transfer at worst.
  QSurfaceFormat format = QSurfaceFormat::defaultFormat();
  format.setSwapInterval(0);
  QSurfaceFormat::setDefaultFormat(format);
  app::register_flash_scheme();
}

void start_toolkit() {
  install_window_services(&app::qt_window_services());
  // The download's waits for the network are where its progress reaches the screen.
  xmlhttp::set_wait_hook([] { return app::qt_window_services().frame_pacer().while_waiting(); });
  set_fatal_stop_box(show_fatal_box);
  set_exit_hook_forgetter(app::forget_exit_hook);
  set_toolkit_cleanup(run_toolkit_cleanup);
  install_allocation_failure_stop();
  QDir::setCurrent(QCoreApplication::applicationDirPath());
  files::prepare_default_drives();
  // The platform's default GUI font is 9 points at 96 dots per inch.
  QFont font = QApplication::font();
  font.setPixelSize(12);
  QApplication::setFont(font);
  register_template_resources();
  if (!app::read_templates()) {
    fatal_stop(gbk("载入窗口模板数据段出错!"));
  }
}

void register_release_hook() {
  app::register_exit_hook(release_shared_state);
}

void run_initialisation_hooks() {
  install_skin();
  second_initialisation_hook();
  third_initialisation_hook();
}

void load_start_window() {
  bind_window_events();
  if (!window_services().load_window(main_window::WINDOW, false)) {
    fatal_stop(gbk("载入启动窗口失败"));
  }
}

int run_event_loop() {
  return app::qt_window_services().run_event_loop();
}

int run_application() {
  start_toolkit();
  create_shared_state();
  register_release_hook();
  run_initialisation_hooks();
  load_start_window();
  run_event_loop();
  return 0;
}

void add_toolkit_cleanup(std::function<void()> step) {
  cleanup_steps().push_back(std::move(step));
}

void run_toolkit_cleanup() {
  app::qt_window_services().reset();
  for (const auto& step : cleanup_steps()) {
    step();
  }
}

void terminate_toolkit() {
  app::run_exit_hook();
  run_toolkit_cleanup();
}

int run_program(int argc, char** argv) {
  prepare_toolkit_environment();
  QApplication application(argc, argv);
  const int code = run_application();
  terminate_toolkit();
  return code;
}

}  // namespace sonivo
