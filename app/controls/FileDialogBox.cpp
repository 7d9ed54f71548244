#include "app/controls/FileDialogBox.h"

#include <QStringList>

#include "app/FileDialogOptions.h"

namespace sonivo::app {

namespace {
struct NamedOption {
  const char* name;
  unsigned value;
};
constexpr NamedOption OPTION_NAMES[] = {
    {"OFN_READONLY", OFN_READONLY},
    {"OFN_OVERWRITEPROMPT", OFN_OVERWRITEPROMPT},
    {"OFN_HIDEREADONLY", OFN_HIDEREADONLY},
    {"OFN_NOCHANGEDIR", OFN_NOCHANGEDIR},
    {"OFN_ALLOWMULTISELECT", OFN_ALLOWMULTISELECT},
    {"OFN_PATHMUSTEXIST", OFN_PATHMUSTEXIST},
    {"OFN_FILEMUSTEXIST", OFN_FILEMUSTEXIST},
    {"OFN_CREATEPROMPT", OFN_CREATEPROMPT},
};
}  // namespace

FileDialogBox::FileDialogBox(QWidget* parent) : QWidget(parent) {
  setVisible(false);
}

QString FileDialogBox::option_names() const {
  QStringList names;
  for (const NamedOption& option : OPTION_NAMES) {
    if (options_ & option.value) {
      names << QLatin1String(option.name);
    }
  }
  return names.join(QLatin1Char('|'));
}

void FileDialogBox::set_option_names(const QString& names) {
  options_ = 0;
  for (const QString& name : names.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
    for (const NamedOption& option : OPTION_NAMES) {
      if (name.trimmed() == QLatin1String(option.name)) {
        options_ |= option.value;
      }
    }
  }
}

}  // namespace sonivo::app
