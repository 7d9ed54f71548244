#include "tests/support/gui/GuiTestSupport.h"
#include "core/ControlNames.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/QtWindowServices.h"
#include "app/SharedState.h"
#include "app/Startup.h"
#include "app/controls/TabControl.h"

namespace sonivo::testing::gui {
namespace {

void point_hosts_at_loopback() {
  for (const char* name :
       {"SONIVO_MAKER_SITE_HOST", "SONIVO_COMMUNITY_HOST", "SONIVO_PLAYER_HOST"}) {
    setenv(name, "127.0.0.1:9", 0);
  }
}

// The program writes its skin files to C:\Windows and downloads to D:\Tavex\; a test
// run keeps both in a folder of its own unless the test chose drives itself.
void point_drives_at_a_temporary_folder() {
  if (std::getenv("SONIVO_DRIVE_C") && std::getenv("SONIVO_DRIVE_D")) {
    return;
  }
  static std::string root = (std::filesystem::temp_directory_path() / "sonivo-gui-XXXXXX").string();
  if (!::mkdtemp(root.data())) {
    return;
  }
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(root) / "c" / "Windows", ignored);
  std::filesystem::create_directories(std::filesystem::path(root) / "d", ignored);
  setenv("SONIVO_DRIVE_C", (root + "/c").c_str(), 0);
  setenv("SONIVO_DRIVE_D", (root + "/d").c_str(), 0);
  std::atexit([] {
    std::error_code ignored_too;
    std::filesystem::remove_all(root, ignored_too);
  });
}

}  // namespace

QApplication& toolkit() {
  static QApplication* application = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    point_hosts_at_loopback();
    point_drives_at_a_temporary_folder();
    prepare_toolkit_environment();
    static int argc = 1;
    static char name[] = "sonivo-gui-test";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  return *application;
}

QWidget* start_to_main_window() {
  toolkit();
  close_all_windows();
  start_toolkit();
  create_shared_state();
  register_release_hook();
  run_initialisation_hooks();
  load_start_window();
  process_events();
  return find_window(main_window::WINDOW);
}

void close_all_windows() {
  app::qt_window_services().reset();
}

QWidget* find_window(const std::string& window) {
  return app::qt_window_services().widget({window, ""});
}

QWidget* find_control(const std::string& window, const std::string& control) {
  return app::qt_window_services().widget({window, control});
}

void click(const std::string& window, const std::string& control, Qt::MouseButton button) {
  QWidget* widget = find_control(window, control);
  ASSERT_NE(widget, nullptr) << window << "/" << control;
  QTest::mouseClick(widget, button, Qt::NoModifier, widget->rect().center());
}

void press(const std::string& window, const std::string& control, Qt::MouseButton button,
           QPoint at) {
  QWidget* widget = find_control(window, control);
  ASSERT_NE(widget, nullptr) << window << "/" << control;
  QTest::mousePress(widget, button, Qt::NoModifier, at.x() < 0 ? widget->rect().center() : at);
}

void select_page(int index) {
  auto* tabs = find_control_as<app::TabControl>(main_window::WINDOW, main_window::TABS);
  ASSERT_NE(tabs, nullptr);
  tabs->select_page(index);
  process_events();
}

void close_window(const std::string& window) {
  if (QWidget* widget = find_window(window)) {
    widget->close();
  }
}

void process_events() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool run_until(const std::function<bool()>& done, int timeout_ms) {
  if (done()) {
    return true;
  }
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done()) {
      loop.quit();
    }
  });
  check.start(20);
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  loop.exec();
  return done();
}

ToolkitRecorder::ToolkitRecorder() {
  app::set_message_box_presenter([this](const app::MessageBoxRequest& request) {
    message_boxes.push_back(request);
    if (on_message_box) {
      on_message_box(request);
    }
    if (next_message_box_answers.empty()) {
      return BUTTON_OK;
    }
    const int answer = next_message_box_answers.front();
    next_message_box_answers.pop_front();
    return answer;
  });
  app::set_url_opener([this](const Text& url) { opened_urls.push_back(url); });
  app::set_file_dialog_presenter([this](const app::FileDialogSettings& settings) {
    file_dialogs.push_back(settings);
    if (next_file_dialog_answers.empty()) {
      return app::FileDialogResult{};
    }
    const app::FileDialogResult answer = next_file_dialog_answers.front();
    next_file_dialog_answers.pop_front();
    return answer;
  });
  app::set_window_shown_observer([this](const std::string& window) {
    shown_windows.push_back(window);
    if (on_window_shown) {
      QTimer::singleShot(0, QCoreApplication::instance(), [this, window] {
        if (on_window_shown) {
          on_window_shown(window);
        }
      });
    }
  });
}

ToolkitRecorder::~ToolkitRecorder() {
  app::set_message_box_presenter({});
  app::set_url_opener({});
  app::set_file_dialog_presenter({});
  app::set_window_shown_observer({});
}

}  // namespace sonivo::testing::gui
