#pragma once
// The program's windows in-process, for GUI tests: Qt on the offscreen platform, the
// start-up stages up to MainWindow shown (the final event loop is not entered), controls
// found by window and control name, real mouse clicks, and the toolkit's three seams
// (message box, open URL, file dialog) answered and recorded.
//
//   #include "tests/support/gui/GuiTestSupport.h"
//   using namespace sonivo::testing::gui;
//
//   TEST(Feedback, OpensTheFeedbackPage) {
//     ToolkitRecorder recorder;              // answers and records while it lives
//     start_to_main_window();                // stages 1-5
//     click("MainWindow", "反馈");            // QTest::mouseClick on the button
//     ASSERT_EQ(recorder.opened_urls.size(), 1u);
//   }
//
// Controls on the pages of 选择夹1 are hidden until their page is selected:
// select_page(1) before clicking 下载. A click that opens a modal window returns only
// when that window has closed: give `on_window_shown` a function that looks at the window
// and closes it (close_window("ListenWindow")); it runs inside the window's wait.
//
// Hosts: toolkit() points every host of core/Hosts.h that the environment leaves unset
// at 127.0.0.1:9 (nothing listens there), so no browser box or handler reaches beyond
// the machine. Point one at a test server with setenv("SONIVO_MAKER_SITE_HOST", ...)
// before start_to_main_window().
//
// Link the target sonivo_gui_test_support and register the test with GUI.

#include <QWidget>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/ToolkitSeams.h"
#include "text/Text.h"

class QApplication;

namespace sonivo::testing::gui {

// The application object of the test executable, created on first use.
QApplication& toolkit();

// Destroys every window of an earlier start, then runs stages 1 to 5 of start-up and
// returns MainWindow, shown. The exit hook is registered; it is not run by this library.
QWidget* start_to_main_window();

// Closes and destroys every window and forgets the bindings (the toolkit's clean-up).
void close_all_windows();

// Null when the window is not open or has no such control.
QWidget* find_window(const std::string& window);
QWidget* find_control(const std::string& window, const std::string& control);
template <class T>
T* find_control_as(const std::string& window, const std::string& control) {
  return qobject_cast<T*>(find_control(window, control));
}

// A real click (press and release) at the middle of the control; fails the test when the
// control is not there.
void click(const std::string& window, const std::string& control,
           Qt::MouseButton button = Qt::LeftButton);
// Only the press, at a point of the control (its middle when none is given).
void press(const std::string& window, const std::string& control,
           Qt::MouseButton button = Qt::LeftButton, QPoint at = QPoint(-1, -1));
// Selects a page of MainWindow's 选择夹1 (0, 1, 2).
void select_page(int index);
// Closes a window as its close button would.
void close_window(const std::string& window);
void process_events();
// Runs the event loop until `done` holds (checked every 20 ms) or `timeout_ms` has passed;
// gives `done()`. Unlike QTest::qWaitFor it never sleeps between rounds: the browser's
// requests to the program's own URL scheme are answered on this thread, chunk by chunk,
// and 10 ms naps make a 14 MB answer take seconds.
bool run_until(const std::function<bool()>& done, int timeout_ms);

// Answers and records the toolkit's seams while it lives; restores the real ones after.
class ToolkitRecorder {
 public:
  ToolkitRecorder();
  ~ToolkitRecorder();
  ToolkitRecorder(const ToolkitRecorder&) = delete;
  ToolkitRecorder& operator=(const ToolkitRecorder&) = delete;

  std::deque<int> next_message_box_answers;  // BUTTON_OK when empty
  std::vector<app::MessageBoxRequest> message_boxes;
  // Runs when a box is shown, before it is answered: what the screen shows as it opens.
  std::function<void(const app::MessageBoxRequest& request)> on_message_box;
  std::deque<app::FileDialogResult> next_file_dialog_answers;  // cancelled when empty
  std::vector<app::FileDialogSettings> file_dialogs;
  std::vector<Text> opened_urls;
  std::vector<std::string> shown_windows;
  // Runs (queued, so inside a modal window's wait) after a window is shown.
  std::function<void(const std::string& window)> on_window_shown;
};

}  // namespace sonivo::testing::gui
