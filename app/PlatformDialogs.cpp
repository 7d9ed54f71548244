// The real message box and file dialog behind the toolkit's seams.

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "app/FileDialogOptions.h"
#include "app/QtText.h"
#include "app/ToolkitSeams.h"
#include "text/Gbk.h"

namespace sonivo::app {
namespace {

constexpr int MB_TYPEMASK = 0xF;
constexpr int MB_ICONMASK = 0xF0;
constexpr int MB_DEFMASK = 0xF00;

struct ButtonOfFlag {
  QMessageBox::StandardButton button;
  int result;
};

std::vector<ButtonOfFlag> buttons_of(int flags) {
  using B = QMessageBox;
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{B::Ok, BUTTON_OK}, {B::Cancel, BUTTON_CANCEL}};
    case MB_ABORTRETRYIGNORE:
      return {{B::Abort, BUTTON_ABORT}, {B::Retry, BUTTON_RETRY}, {B::Ignore, BUTTON_IGNORE}};
    case MB_YESNOCANCEL:
      return {{B::Yes, BUTTON_YES}, {B::No, BUTTON_NO}, {B::Cancel, BUTTON_CANCEL}};
    case MB_YESNO:
      return {{B::Yes, BUTTON_YES}, {B::No, BUTTON_NO}};
    case MB_RETRYCANCEL:
      return {{B::Retry, BUTTON_RETRY}, {B::Cancel, BUTTON_CANCEL}};
    default:
      return {{B::Ok, BUTTON_OK}};
  }
}

QMessageBox::Icon icon_of(int flags) {
  switch (flags & MB_ICONMASK) {
    case MB_ICONERROR:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONWARNING:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

QWidget* owner_window(WindowHandle owner) {
  if (!owner) {
    return nullptr;
  }
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (reinterpret_cast<WindowHandle>(window) == owner) {
      return window;
    }
  }
  return nullptr;
}

// "desc|pattern|desc|pattern||" as Qt name filters "desc (pattern)".
QStringList name_filters(const QString& filter) {
  QStringList pieces = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < pieces.size(); i += 2) {
    if (pieces[i].isEmpty() && pieces[i + 1].isEmpty()) {
      break;
    }
    filters << pieces[i] + QStringLiteral(" (") + pieces[i + 1] + QLatin1Char(')');
  }
  return filters;
}

}  // namespace

int show_message_box(const MessageBoxRequest& request) {
  QMessageBox box(icon_of(request.flags), qt(request.title), qt(request.text),
                  QMessageBox::NoButton, owner_window(request.owner));
  // Task-modal: the program's windows wait for the box; system-modal also stays on top.
  box.setWindowModality(Qt::ApplicationModal);
  if (request.flags & MB_SYSTEMMODAL) {
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
  }
  const std::vector<ButtonOfFlag> buttons = buttons_of(request.flags);
  std::vector<QAbstractButton*> made;
  for (const ButtonOfFlag& b : buttons) {
    made.push_back(box.addButton(b.button));
  }
  const std::size_t default_index = static_cast<std::size_t>((request.flags & MB_DEFMASK) >> 8);
  box.setDefaultButton(
      qobject_cast<QPushButton*>(made[default_index < made.size() ? default_index : 0]));
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i].result == BUTTON_CANCEL || buttons.size() == 1) {
      box.setEscapeButton(made[i]);
    }
  }
  box.exec();
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (box.clickedButton() == made[i]) {
      return buttons[i].result;
    }
  }
  return buttons.front().result;
}

FileDialogResult run_platform_file_dialog(const FileDialogSettings& settings) {
  QFileDialog dialog(nullptr, qt(settings.title), qt(settings.folder));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(settings.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Opening needs an existing file; saving takes a new name too (the create prompt is
  // answered yes), and an existing one only after the overwrite prompt when asked for.
  dialog.setFileMode(settings.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (settings.save && !(settings.options & OFN_OVERWRITEPROMPT)) {
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  }
  const QStringList filters = name_filters(qt(settings.filter));
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int initial = settings.initial_filter >= 1 ? settings.initial_filter - 1 : 0;
    if (initial < filters.size()) {
      dialog.selectNameFilter(filters[initial]);
    }
  }
  QString extension = qt(settings.default_extension);
  if (extension.startsWith(QLatin1Char('.'))) {
    extension.remove(0, 1);
  }
  dialog.setDefaultSuffix(extension);
  if (!settings.file_name.empty()) {
    dialog.selectFile(qt(settings.file_name));
  }

  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return {};
  }
  const QString chosen = dialog.selectedFiles().constFirst();
  // Without OFN_NOCHANGEDIR the platform's dialog leaves the chosen folder current.
  if (!(settings.options & OFN_NOCHANGEDIR)) {
    QDir::setCurrent(QFileInfo(chosen).absolutePath());
  }
  return {true, gbk_text(QDir::toNativeSeparators(chosen))};
}

}  // namespace sonivo::app
