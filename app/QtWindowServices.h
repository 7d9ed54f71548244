#pragma once
// The window services over Qt Widgets: windows built from their templates, controls
// found by window and control name, GBK texts converted to UTF-16 here and nowhere else.
//
// Writes to the progress bar and the transparent label reach the screen through the
// frame pacer (FramePacer.h), at most once a frame while a download holds the thread,
// and always before a message box, a modal window or a file dialog is shown.
//
// A window that has been closed is gone for the services at once: its controls read as
// empty and ignore writes. Its widgets are destroyed only when no handler is running any
// more, because a handler that pumps events can see its own window closed under it.

#include <QPointer>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "app/FramePacer.h"
#include "core/WindowServices.h"

class QWidget;

namespace sonivo::app {

class SonivoWindow;

class QtWindowServices : public WindowServices {
 public:
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
                  WindowHandle owner = 0) override;
  bool load_window(const std::string& window, bool modal) override;
  void open_url(const Text& url) override;
  bool run_file_dialog(const ControlRef& dialog) override;
  void pump_events() override;
  std::vector<TopLevelWindow> top_level_windows() override;

  // The widget of an open window's control (the window itself when control is empty).
  QWidget* widget(const ControlRef& control) const;
  SonivoWindow* open_window(const std::string& name) const;
  FramePacer& frame_pacer() { return pacer_; }
  bool any_window_open() const;

  // Stage 6: the event loop. Returns at once when no window is open; otherwise runs
  // until the quit request that the close of the last window posts.
  int run_event_loop();
  bool quit_requested() const { return quit_requested_; }

  // Closes and destroys every window and forgets the bindings and the loop state, as the
  // toolkit's clean-up does (tests start afresh with it).
  void reset();

 private:
  void connect_events(SonivoWindow* window, const std::string& name);
  void raise(const std::string& window, const std::string& control, Event event,
             const EventArgs& args);
  void window_closed(SonivoWindow* window);
  void destroy_closed_windows();

  std::map<std::tuple<std::string, std::string, Event>, Handler> handlers_;
  std::vector<QPointer<SonivoWindow>> windows_;
  std::vector<QPointer<SonivoWindow>> closed_;
  FramePacer pacer_;
  int handler_depth_ = 0;
  bool loop_started_ = false;
  bool quit_requested_ = false;
};

// The one instance, installed as the window services in stage 1.
QtWindowServices& qt_window_services();

}  // namespace sonivo::app
