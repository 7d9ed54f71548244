#pragma once
// The three places where the window services hand over to the platform's own user
// interface: the message box, the shell's open of an address and the file dialog. Each
// has the real Qt implementation as default; a test installs its own to answer and
// record (tests/support/gui does). Installing an empty function restores the default.

#include <functional>

#include "core/WindowServices.h"
#include "text/Text.h"

namespace sonivo::app {

struct MessageBoxRequest {
  Text text;
  int flags = 0;
  Text title;  // "信息：" already filled in when the caller gave none
  WindowHandle owner = 0;
};
// Returns BUTTON_*.
using MessageBoxPresenter = std::function<int(const MessageBoxRequest&)>;
void set_message_box_presenter(MessageBoxPresenter presenter);

using UrlOpener = std::function<void(const Text& url)>;
void set_url_opener(UrlOpener opener);

// What a file-dialog control describes, as the dialog receives it.
struct FileDialogSettings {
  bool save = false;
  Text title;
  Text filter;  // "||" appended when it did not end so
  int initial_filter = 1;
  Text folder;
  Text default_extension;
  Text file_name;
  unsigned options = 0;  // OFN_* (app/FileDialogOptions.h)
};
struct FileDialogResult {
  bool confirmed = false;
  Text file_name;  // the chosen path when confirmed
};
using FileDialogPresenter = std::function<FileDialogResult(const FileDialogSettings&)>;
void set_file_dialog_presenter(FileDialogPresenter presenter);

// Called once a window loaded by the window services is shown (before a modal window's
// wait begins), with the window's name.
using WindowShownObserver = std::function<void(const std::string& window)>;
void set_window_shown_observer(WindowShownObserver observer);

// The defaults.
int show_message_box(const MessageBoxRequest& request);
void open_url_in_shell(const Text& url);
FileDialogResult run_platform_file_dialog(const FileDialogSettings& settings);

// What the window services call.
int present_message_box(const MessageBoxRequest& request);
void present_url(const Text& url);
FileDialogResult present_file_dialog(const FileDialogSettings& settings);
void report_window_shown(const std::string& window);

}  // namespace sonivo::app
