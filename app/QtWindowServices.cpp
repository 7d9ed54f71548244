#include "app/QtWindowServices.h"
#include "app/QtText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "app/HostTexts.h"
#include "app/TemplateLoader.h"
#include "app/ToolkitSeams.h"
#include "app/controls/BrowserBox.h"
#include "app/controls/FileDialogBox.h"
#include "app/controls/PictureBox.h"
#include "app/controls/SonivoWindow.h"
#include "app/controls/TransparentLabel.h"
#include "platform/process/ProcessId.h"
#include "text/Gbk.h"

namespace sonivo::app {
namespace {

// Multi-line controls hold line breaks as the platform writes them, "\r\n"; Qt keeps "\n".
QString from_platform_lines(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
QString to_platform_lines(QString text) {
  return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void centre_on_screen(QWidget* window) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) {
    return;
  }
  const QRect area = screen->availableGeometry();
  const QSize outer = window->size() + WINDOW_FRAME;
  window->move(area.x() + (area.width() - outer.width()) / 2,
               area.y() + (area.height() - outer.height()) / 2);
}

}  // namespace

QtWindowServices& qt_window_services() {
  static QtWindowServices services;
  return services;
}

void QtWindowServices::bind(const ControlRef& control, Event event, Handler handler) {
  handlers_[{control.window, control.control, event}] = std::move(handler);
}

SonivoWindow* QtWindowServices::open_window(const std::string& name) const {
  for (const QPointer<SonivoWindow>& window : windows_) {
    if (window && !window->closed() && window->objectName().toStdString() == name) {
      return window;
    }
  }
  return nullptr;
}

bool QtWindowServices::any_window_open() const {
  return std::any_of(windows_.begin(), windows_.end(),
                     [](const QPointer<SonivoWindow>& w) { return w && !w->closed(); });
}

QWidget* QtWindowServices::widget(const ControlRef& control) const {
  SonivoWindow* window = open_window(control.window);
  if (!window || control.control.empty()) {
    return window;
  }
  return window->findChild<QWidget*>(QString::fromStdString(control.control));
}

Text QtWindowServices::text(const ControlRef& control) {
  QWidget* w = widget(control);
  if (!w) {
    return {};
  }
  if (auto* window = qobject_cast<SonivoWindow*>(w)) {
    return gbk_text(window->caption());
  }
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    return gbk_text(edit->text());
  }
  if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
    return gbk_text(to_platform_lines(edit->toPlainText()));
  }
  if (auto* label = qobject_cast<QLabel*>(w)) {
    return gbk_text(to_platform_lines(label->text()));
  }
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    return gbk_text(button->text());
  }
  if (auto* browser = qobject_cast<BrowserBox*>(w)) {
    return gbk_text(browser->address());
  }
  if (auto* dialog = qobject_cast<FileDialogBox*>(w)) {
    return gbk_text(dialog->file_name());
  }
  return {};
}

void QtWindowServices::set_text(const ControlRef& control, const Text& value) {
  QWidget* w = widget(control);
  if (!w) {
    return;
  }
  const QString text = qt(value);
  if (auto* window = qobject_cast<SonivoWindow*>(w)) {
    return window->set_caption(text);
  }
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    return edit->setText(text);
  }
  if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
    return edit->setPlainText(from_platform_lines(text));
  }
  if (auto* label = qobject_cast<TransparentLabel*>(w)) {
    return pacer_.written(label->window(), label->set_caption(from_platform_lines(text)));
  }
  if (auto* label = qobject_cast<QLabel*>(w)) {
    return label->setText(from_platform_lines(text));
  }
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    return button->setText(text);
  }
  if (auto* browser = qobject_cast<BrowserBox*>(w)) {
    return browser->set_address(text);
  }
  if (auto* dialog = qobject_cast<FileDialogBox*>(w)) {
    return dialog->set_file_name(text);
  }
}

bool QtWindowServices::disabled(const ControlRef& control) {
  QWidget* w = widget(control);
  return w && !w->isEnabled();
}

void QtWindowServices::set_disabled(const ControlRef& control, bool disabled) {
  if (QWidget* w = widget(control)) {
    w->setEnabled(!disabled);
  }
}

int QtWindowServices::position(const ControlRef& control) {
  auto* bar = qobject_cast<QProgressBar*>(widget(control));
  return bar ? bar->value() : 0;
}

void QtWindowServices::set_position(const ControlRef& control, int position) {
  auto* bar = qobject_cast<QProgressBar*>(widget(control));
  if (!bar) {
    return;
  }
  const int value = std::clamp(std::clamp(position, 0, 32767), bar->minimum(), bar->maximum());
  const bool changed = value != bar->value();
  if (changed) {
    // QProgressBar repaints at once when its percent changes; when this write reaches
    // the screen is the pacer's to decide.
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(true);  // marks the whole bar for painting
  }
  pacer_.written(bar->window(), changed);
}

Bytes QtWindowServices::picture(const ControlRef& control) {
  auto* box = qobject_cast<PictureBox*>(widget(control));
  if (!box) {
    return {};
  }
  return Bytes(box->picture().constData(), static_cast<std::size_t>(box->picture().size()));
}

void QtWindowServices::set_picture(const ControlRef& control, const Bytes& image) {
  auto* box = qobject_cast<PictureBox*>(widget(control));
  if (box) {
    box->set_picture(QByteArray(image.data().data(), static_cast<qsizetype>(image.size())));
  }
}

void QtWindowServices::append_text(const ControlRef& edit_box, const Text& text) {
  QWidget* w = widget(edit_box);
  if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
    edit->moveCursor(QTextCursor::End);
    edit->ensureCursorVisible();
    edit->insertPlainText(from_platform_lines(qt(text)));
    edit->ensureCursorVisible();
  } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
    line->end(false);
    line->insert(qt(text));
  }
}

int QtWindowServices::message_box(const Text& text, int flags, const std::optional<Text>& title,
                                  WindowHandle owner) {
  pacer_.flush_pending();
  return present_message_box({text, flags, title ? *title : gbk("信息："), owner});
}

bool QtWindowServices::load_window(const std::string& name, bool modal) {
  pacer_.flush_pending();
  if (SonivoWindow* open = open_window(name)) {
    if (open->isMinimized()) {
      open->showNormal();
    }
    open->raise();
    open->activateWindow();
    return true;
  }
  SonivoWindow* window = create_window(name);
  if (!window) {
    return false;
  }
  windows_.emplace_back(window);
  QObject::connect(window, &SonivoWindow::window_closed, window,
                   [this, window] { window_closed(window); });
  connect_events(window, name);
  apply_host_texts(name);
  for (BrowserBox* browser : window->findChildren<BrowserBox*>()) {
    browser->start();
  }
  raise(name, "", Event::Created, {});
  if (window->closed()) {
    return true;
  }

  centre_on_screen(window);
  if (!modal) {
    window->show();
    report_window_shown(name);
    return true;
  }

  struct Disabled {
    QPointer<QWidget> window;
    bool was_enabled;
  };
  std::vector<Disabled> others;
  for (QWidget* other : QApplication::topLevelWidgets()) {
    if (other == window || !other->isWindow() || !other->isVisible()) {
      continue;
    }
    others.push_back({other, other->isEnabled()});
    other->setEnabled(false);
  }
  QEventLoop wait;
  QObject::connect(window, &SonivoWindow::window_closed, &wait, &QEventLoop::quit);
  window->show();
  report_window_shown(name);
  if (!window->closed() && !quit_requested_) {
    wait.exec();
  }
  for (const Disabled& other : others) {
    if (other.window) {
      other.window->setEnabled(other.was_enabled);
    }
  }
  return true;
}

void QtWindowServices::open_url(const Text& url) {
  present_url(url);
}

bool QtWindowServices::run_file_dialog(const ControlRef& dialog) {
  auto* box = qobject_cast<FileDialogBox*>(widget(dialog));
  if (!box) {
    return false;
  }
  FileDialogSettings settings;
  settings.save = box->save_kind();
  settings.title = gbk_text(box->title());
  settings.filter = gbk_text(box->filter());
  if (!settings.filter.str().ends_with("||")) {
    settings.filter += Text("||");
  }
  settings.initial_filter = box->initial_filter();
  settings.folder = gbk_text(box->folder());
  settings.default_extension = gbk_text(box->default_extension());
  settings.file_name = gbk_text(box->file_name());
  settings.options = box->options();
  QPointer<FileDialogBox> alive(box);
  pacer_.flush_pending();
  const FileDialogResult result = present_file_dialog(settings);
  if (!result.confirmed) {
    return false;
  }
  if (alive) {
    alive->set_file_name(qt(result.file_name));
  }
  return true;
}

void QtWindowServices::pump_events() {
  if (quit_requested_) {
    return;
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::vector<TopLevelWindow> QtWindowServices::top_level_windows() {
  std::vector<TopLevelWindow> list;
  const std::uint32_t process = current_process_id();
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isWindow()) {
      continue;
    }
    list.push_back({reinterpret_cast<WindowHandle>(window), window->isVisible(), process});
  }
  return list;
}

int QtWindowServices::run_event_loop() {
  loop_started_ = true;
  if (!any_window_open() || quit_requested_) {
    return 0;
  }
  QApplication::setQuitOnLastWindowClosed(false);
  return QApplication::exec();
}

void QtWindowServices::reset() {
  for (const QPointer<SonivoWindow>& window : windows_) {
    if (window) {
      window->hide();
    }
  }
  for (const QPointer<SonivoWindow>& window : windows_) {
    delete window.data();
  }
  for (const QPointer<SonivoWindow>& window : closed_) {
    delete window.data();
  }
  windows_.clear();
  closed_.clear();
  handlers_.clear();
  pacer_.forget();
  handler_depth_ = 0;
  loop_started_ = false;
  quit_requested_ = false;
}

void QtWindowServices::connect_events(SonivoWindow* window, const std::string& name) {
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    const std::string control = button->objectName().toStdString();
    if (control.empty()) {
      continue;
    }
    QObject::connect(button, &QAbstractButton::clicked, window,
                     [this, name, control] { raise(name, control, Event::Clicked, {}); });
  }
  for (PictureBox* box : window->findChildren<PictureBox*>()) {
    const std::string control = box->objectName().toStdString();
    QObject::connect(box, &PictureBox::left_button_down, window,
                     [this, name, control](int x, int y, int modifiers) {
                       raise(name, control, Event::LeftButtonDown, {x, y, modifiers});
                     });
    QObject::connect(box, &PictureBox::right_button_down, window,
                     [this, name, control](int x, int y, int modifiers) {
                       raise(name, control, Event::RightButtonDown, {x, y, modifiers});
                     });
  }
}

void QtWindowServices::raise(const std::string& window, const std::string& control, Event event,
                             const EventArgs& args) {
  const auto found = handlers_.find({window, control, event});
  if (found == handlers_.end()) {
    return;
  }
  const Handler handler = found->second;  // a handler may rebind while it runs
  ++handler_depth_;
  handler(args);
  --handler_depth_;
  if (handler_depth_ == 0) {
    destroy_closed_windows();
  }
}

void QtWindowServices::window_closed(SonivoWindow* window) {
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                [window](const QPointer<SonivoWindow>& w) { return w == window; }),
                 windows_.end());
  closed_.emplace_back(window);
  if (handler_depth_ == 0) {
    destroy_closed_windows();
  }
  // The last window of the program gone while the loop runs: the quit request, left for
  // the loop (a pump that sees it returns without dispatching).
  if (loop_started_ && !any_window_open() && !quit_requested_) {
    quit_requested_ = true;
    QCoreApplication::exit(0);
  }
}

void QtWindowServices::destroy_closed_windows() {
  for (const QPointer<SonivoWindow>& window : closed_) {
    if (window) {
      window->deleteLater();
    }
  }
  closed_.clear();
}

}  // namespace sonivo::app
