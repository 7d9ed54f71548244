#include "app/ToolkitSeams.h"

#include <QDesktopServices>
#include <QUrl>

#include "app/QtText.h"
#include "text/Gbk.h"

namespace sonivo::app {
namespace {
MessageBoxPresenter& message_box_presenter() {
  static MessageBoxPresenter presenter;
  return presenter;
}
UrlOpener& url_opener() {
  static UrlOpener opener;
  return opener;
}
FileDialogPresenter& file_dialog_presenter() {
  static FileDialogPresenter presenter;
  return presenter;
}
WindowShownObserver& window_shown_observer() {
  static WindowShownObserver observer;
  return observer;
}
}  // namespace

void set_message_box_presenter(MessageBoxPresenter presenter) {
  message_box_presenter() = std::move(presenter);
}
void set_url_opener(UrlOpener opener) {
  url_opener() = std::move(opener);
}
void set_file_dialog_presenter(FileDialogPresenter presenter) {
  file_dialog_presenter() = std::move(presenter);
}
void set_window_shown_observer(WindowShownObserver observer) {
  window_shown_observer() = std::move(observer);
}

int present_message_box(const MessageBoxRequest& request) {
  if (message_box_presenter()) {
    return message_box_presenter()(request);
  }
  return show_message_box(request);
}

void present_url(const Text& url) {
  if (url_opener()) {
    return url_opener()(url);
  }
  open_url_in_shell(url);
}

FileDialogResult present_file_dialog(const FileDialogSettings& settings) {
  if (file_dialog_presenter()) {
    return file_dialog_presenter()(settings);
  }
  return run_platform_file_dialog(settings);
}

void report_window_shown(const std::string& window) {
  if (window_shown_observer()) {
    window_shown_observer()(window);
  }
}

void open_url_in_shell(const Text& url) {
  QDesktopServices::openUrl(QUrl(qt(url), QUrl::TolerantMode));
}

}  // namespace sonivo::app
