#pragma once
// The window and control services every handler uses. Windows and controls are named as
// in their templates (UTF-8 identifiers); property values are GBK Text. The Qt adapter in
// app/ is the real implementation; tests install a recording one.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "text/Text.h"

namespace sonivo {

using WindowHandle = std::uintptr_t;

// A control of a window; an empty `control` names the window itself.
struct ControlRef {
  std::string window;
  std::string control;
};

enum class Event { Created, Clicked, LeftButtonDown, RightButtonDown };

struct EventArgs {
  int x = 0;
  int y = 0;
  int modifiers = 0;
};
using Handler = std::function<void(const EventArgs&)>;

// Message box flags and results, as the platform numbers them.
constexpr int MB_OK = 0x0;
constexpr int MB_OKCANCEL = 0x1;
constexpr int MB_ABORTRETRYIGNORE = 0x2;
constexpr int MB_YESNOCANCEL = 0x3;
constexpr int MB_YESNO = 0x4;
constexpr int MB_RETRYCANCEL = 0x5;
constexpr int MB_ICONERROR = 0x10;
constexpr int MB_ICONQUESTION = 0x20;
constexpr int MB_ICONWARNING = 0x30;
constexpr int MB_ICONINFORMATION = 0x40;
constexpr int MB_SYSTEMMODAL = 0x1000;
constexpr int MB_TASKMODAL = 0x2000;
constexpr int BUTTON_OK = 0;
constexpr int BUTTON_CANCEL = 1;
constexpr int BUTTON_ABORT = 2;
constexpr int BUTTON_RETRY = 3;
constexpr int BUTTON_IGNORE = 4;
constexpr int BUTTON_YES = 5;
constexpr int BUTTON_NO = 6;

struct TopLevelWindow {
  WindowHandle window = 0;
  bool visible = false;
  uint32_t process_id = 0;
};

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // Binds a handler to an event of a control (or of the window, control empty).
  virtual void bind(const ControlRef& control, Event event, Handler handler) = 0;

  // The text property: an edit box's text, the caption of a window, button or label, the
  // address of a browser box (a write navigates), the file name of a file dialog.
  // A control or window that is not open reads as empty and ignores writes.
  virtual Text text(const ControlRef& control) = 0;
  virtual void set_text(const ControlRef& control, const Text& value) = 0;
  virtual bool disabled(const ControlRef& control) = 0;
  virtual void set_disabled(const ControlRef& control, bool disabled) = 0;
  // Progress bar position: clamped into 0..32767, then into the bar's range.
  virtual int position(const ControlRef& control) = 0;
  virtual void set_position(const ControlRef& control, int position) = 0;
  // Picture box: the image file's bytes; a read returns the bytes last written.
  virtual Bytes picture(const ControlRef& control) = 0;
  virtual void set_picture(const ControlRef& control, const Bytes& image) = 0;

  // Moves the caret to the end, scrolls it into view and inserts the text there.
  virtual void append_text(const ControlRef& edit_box, const Text& text) = 0;

  // Waits until dismissed; returns BUTTON_*. No title: "信息：". Owner 0: none.
  virtual int message_box(const Text& text, int flags, const std::optional<Text>& title,
                          WindowHandle owner = 0) = 0;

  // Creates the window, raises its created event, shows it. Modal: other top-level
  // windows are disabled until it closes, and the call returns after it has closed.
  virtual bool load_window(const std::string& window, bool modal) = 0;

  virtual void open_url(const Text& url) = 0;

  // Runs the dialog a file-dialog control describes; true when confirmed.
  virtual bool run_file_dialog(const ControlRef& dialog) = 0;

  // Dispatches every pending event; stops at a quit request and leaves it queued.
  virtual void pump_events() = 0;

  // The program's visible and hidden top-level windows, in the platform's order.
  virtual std::vector<TopLevelWindow> top_level_windows() = 0;
};

// The one seam through which handlers reach the window services.
WindowServices& window_services();
void install_window_services(WindowServices* services);

}  // namespace sonivo
