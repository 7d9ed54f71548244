// Start-up and shutdown: the exit hook and its release order, the fatal stops, the
// program's exit codes. The stops end the process, so they run in a child (death tests).

#include <gtest/gtest.h>
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/AllocationStop.h"
#include "app/ExitHook.h"
#include "app/SharedState.h"
#include "app/Startup.h"
#include "app/TemplateLoader.h"
#include "app/ToolkitSeams.h"
#include "core/ControlNames.h"
#include "core/FatalStop.h"
#include "core/ResolvedSound.h"
#include "download/SharedDownloader.h"
#include "notice/WindowList.h"
#include "tests/support/TempFolder.h"
#include "tests/support/gui/GuiTestSupport.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

using testing::TempFolder;
using namespace testing::gui;

// In the child, every box goes to the standard error stream, where the parent reads it.
void print_boxes() {
  app::set_message_box_presenter([](const app::MessageBoxRequest& box) {
    std::fprintf(stderr, "BOX flags=%d title=%s text=%s\n", box.flags, utf8_of(box.title).c_str(),
                 utf8_of(box.text).c_str());
    return BUTTON_OK;
  });
}

std::string hook_marker;
void marking_hook() {
  std::ofstream(hook_marker) << "ran";
}

class StartupStops : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    hook_marker = (folder.path() / "hook-ran").string();
  }
  TempFolder folder;
};

TEST(SharedState, CreatedEmptyAndReleasedOnceInTheShutdownOrder) {
  struct Case {
    const char* name;
    bool texts_set;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"every text set, two entries left",
       true,
       {"audio_link", "shared_downloader", "page_text", "sound_name", "duration", "cover_url",
        "window_entry", "window_entry", "window_scratch"}},
      {"nothing resolved", false, {"shared_downloader", "window_scratch"}},
  };
  toolkit();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    create_shared_state();
    const ResolvedSound& sound = resolved_sound();
    EXPECT_TRUE(sound.audio_link.empty() && sound.page_text.empty() && sound.sound_name.empty() &&
                sound.duration.empty() && sound.cover_url.empty());
    ASSERT_NE(window_scratch, nullptr);
    EXPECT_TRUE(window_scratch->empty());
    EXPECT_NE(shared_downloader, nullptr);
    if (c.texts_set) {
      resolved_sound() = {Text("a"), Text("p"), Text("s"), Text("d"), Text("c")};
      window_scratch->push_back({1, 2});
      window_scratch->push_back({3, 4});
    }
    std::vector<std::string> trace;
    set_release_trace(&trace);
    register_release_hook();
    terminate_toolkit();
    terminate_toolkit();  // a second termination does not run the hook again
    set_release_trace(nullptr);
    EXPECT_EQ(trace, c.expected);
    EXPECT_EQ(window_scratch, nullptr);
    EXPECT_EQ(shared_downloader, nullptr);
    EXPECT_TRUE(resolved_sound().audio_link.empty());
    EXPECT_TRUE(resolved_sound().cover_url.empty());
  }
}

TEST(FatalStop, BoxText) {
  struct Case {
    const char* message;
    std::optional<int> code;
    const char* expected;
  };
  const Case cases[] = {
      {"", {}, "运行时出错!\r\n\r\n"},
      {"载入启动窗口失败", {}, "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"},
      {"调用DLL命令后发现堆栈错误", 6,
       "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n"},
      {"", -1, "运行时出错!\r\n\r\n错误代码：-1\r\n\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fatal_stop_text(gbk(c.message), c.code), gbk(c.expected));
  }
}

TEST_F(StartupStops, FatalStopShowsItsBoxAndExitsMinusOneWithoutTheHook) {
  EXPECT_EXIT(
      {
        toolkit();
        start_toolkit();
        print_boxes();
        app::register_exit_hook(marking_hook);
        fatal_stop(gbk("测试"), 6);
      },
      ::testing::ExitedWithCode(255),
      "BOX flags=16 title=错误 text=运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：测试\r\n");
  EXPECT_FALSE(std::filesystem::exists(hook_marker));
}

// The box itself failing into a second stop (memory still short while it is built, say)
// ends the process with the same code instead of showing box after box.
TEST_F(StartupStops, AStopDuringTheStopsBoxEndsAtOnceWithMinusOne) {
  EXPECT_EXIT(
      {
        int boxes = 0;
        set_fatal_stop_box([&boxes](const Text&, const Text&, int) {
          std::fprintf(stderr, "box %d\n", ++boxes);
          fatal_stop(gbk("再次"));
        });
        app::register_exit_hook(marking_hook);
        set_exit_hook_forgetter(app::forget_exit_hook);
        fatal_stop(gbk("测试"));
      },
      ::testing::ExitedWithCode(255), "^box 1\n$");
  EXPECT_FALSE(std::filesystem::exists(hook_marker));
}

TEST_F(StartupStops, UnreadableTemplatesAreAFatalStop) {
  std::ofstream(folder.path() / "MainWindow.ui") << "<ui/>";  // the other two are missing
  const QString templates = QString::fromStdString(folder.str() + "/");
  EXPECT_EXIT(
      {
        toolkit();
        print_boxes();
        app::set_template_folder(templates);
        start_toolkit();
      },
      ::testing::ExitedWithCode(255), "title=错误 text=.*错误信息：载入窗口模板数据段出错!");
}

TEST_F(StartupStops, AStartWindowThatDoesNotBuildIsAFatalStop) {
  for (const char* name : {main_window::WINDOW, listen_window::WINDOW, cover_window::WINDOW}) {
    std::ofstream(folder.path() / (std::string(name) + ".ui")) << "not a template";
  }
  const QString templates = QString::fromStdString(folder.str() + "/");
  EXPECT_EXIT(
      {
        toolkit();
        print_boxes();
        app::set_template_folder(templates);
        start_toolkit();
        create_shared_state();
        register_release_hook();
        app::register_exit_hook(marking_hook);
        run_initialisation_hooks();
        load_start_window();
      },
      ::testing::ExitedWithCode(255), "错误信息：载入启动窗口失败");
  EXPECT_FALSE(std::filesystem::exists(hook_marker));
}

TEST_F(StartupStops, AFailedAllocationIsAFatalStopNamingTheBytes) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator reports the huge request itself";
#endif
  EXPECT_EXIT(
      {
        install_allocation_failure_stop();
        volatile std::size_t huge = std::size_t(1) << 62;
        char* block = new char[huge];
        block[0] = 1;
      },
      ::testing::ExitedWithCode(255), "错误信息：分配 4611686018427387904 字节内存失败!");
}

// The whole program, whose window is closed as soon as it is shown; prints the release
// trace and ends with the program's exit code.
[[noreturn]] void run_program_and_close_its_window() {
  std::vector<std::string> trace;
  set_release_trace(&trace);
  app::set_window_shown_observer([](const std::string& window) {
    if (window == main_window::WINDOW) {
      QTimer::singleShot(0, [] { close_window(main_window::WINDOW); });
    }
  });
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("SONIVO_MAKER_SITE_HOST", "127.0.0.1:9", 0);
  static char name[] = "sonivo-helper";
  static char* argv[] = {name, nullptr};
  const int code = run_program(1, argv);
  for (const std::string& step : trace) {
    std::fprintf(stderr, "released %s\n", step.c_str());
  }
  std::fflush(stderr);
  std::_Exit(code);
}

TEST_F(StartupStops, ClosingTheLastWindowEndsTheProgramWithExitCodeZeroAfterTheHook) {
  EXPECT_EXIT(run_program_and_close_its_window(), ::testing::ExitedWithCode(0),
              "released shared_downloader\nreleased window_scratch");
}

}  // namespace
}  // namespace sonivo
