#pragma once
// Window services that keep every property in memory and record every call, for tests
// of the handlers without any widget.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/WindowServices.h"

namespace sonivo::testing {

struct RecordedMessageBox {
  Text text;
  int flags = 0;
  std::optional<Text> title;
  WindowHandle owner = 0;
};

struct FileDialogAnswer {
  bool confirmed = false;
  Text file_name;
};

class RecordingWindowServices : public WindowServices {
 public:
  RecordingWindowServices();            // installs itself
  ~RecordingWindowServices() override;  // uninstalls itself

  void bind(const ControlRef& control, Event event, Handler handler) override;
  Text text(const ControlRef& control) override;
  void set_text(const ControlRef& control, const Text& value) override;
  bool disabled(const ControlRef& control) override;
  void set_disabled(const ControlRef& control, bool disabled) override;
  int position(const ControlRef& control) override;
  void set_position(const ControlRef& control, int position) override;
  Bytes picture(const ControlRef& control) override;
  void set_picture(const ControlRef& control, const Bytes& image) override;
  void append_text(const ControlRef& edit_box, const Text& text) override;
  int message_box(const Text& text, int flags, const std::optional<Text>& title,
                  WindowHandle owner) override;
  bool load_window(const std::string& window, bool modal) override;
  void open_url(const Text& url) override;
  bool run_file_dialog(const ControlRef& dialog) override;
  void pump_events() override;
  std::vector<TopLevelWindow> top_level_windows() override;

  // Raises a bound event as the toolkit would; false when nothing is bound.
  bool raise(const ControlRef& control, Event event, const EventArgs& args = {});

  // Every call in order, one line each ("append 窗口/控件 <utf8 text>", ...).
  std::vector<std::string> calls;
  std::vector<Text> appends;  // texts appended, in order
  std::vector<RecordedMessageBox> message_boxes;
  std::deque<int> next_message_box_answers;  // BUTTON_OK when empty
  std::vector<Text> opened_urls;
  std::vector<std::string> loaded_windows;
  std::deque<FileDialogAnswer> next_file_dialog_answers;  // cancelled when empty
  std::function<void()> on_pump;                          // run by pump_events
  std::vector<TopLevelWindow> windows;                    // what top_level_windows reports
  int progress_maximum = 100;

 private:
  struct ControlState {
    Text text;
    bool disabled = false;
    int position = 0;
    Bytes picture;
  };
  static std::string key(const ControlRef& control);
  std::map<std::string, ControlState> controls_;
  std::map<std::string, Handler> handlers_;
};

}  // namespace sonivo::testing
