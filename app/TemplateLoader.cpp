#include "app/TemplateLoader.h"

#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QUiLoader>

#include "app/controls/BrowserBox.h"
#include "app/controls/FileDialogBox.h"
#include "app/controls/PictureBox.h"
#include "app/controls/SonivoWindow.h"
#include "app/controls/TabControl.h"
#include "app/controls/TabPage.h"
#include "app/controls/Timer.h"
#include "app/controls/TransparentLabel.h"

namespace sonivo::app {
namespace {

QString& template_folder() {
  static QString folder = QStringLiteral(":/templates/");
  return folder;
}

std::map<std::string, QByteArray>& templates() {
  static std::map<std::string, QByteArray> data;
  return data;
}

class TemplateLoader : public QUiLoader {
 public:
  QWidget* createWidget(const QString& class_name, QWidget* parent, const QString& name) override {
    QWidget* widget = make(class_name, parent);
    if (!widget) {
      widget = QUiLoader::createWidget(class_name, parent, name);
      // Multi-line edit boxes wrap anywhere: wrapping at word boundaries takes time that
      // grows with the square of an unbroken run's length, and a page can put a run of
      // megabytes between two markers.
      if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        edit->setWordWrapMode(QTextOption::WrapAnywhere);
      }
      return widget;
    }
    widget->setObjectName(name);
    return widget;
  }

 private:
  static QWidget* make(const QString& class_name, QWidget* parent) {
    if (class_name == QLatin1String("SonivoWindow")) {
      return new SonivoWindow(parent);
    }
    if (class_name == QLatin1String("PictureBox")) {
      return new PictureBox(parent);
    }
    if (class_name == QLatin1String("TransparentLabel")) {
      return new TransparentLabel(parent);
    }
    if (class_name == QLatin1String("TabControl")) {
      return new TabControl(parent);
    }
    if (class_name == QLatin1String("TabPage")) {
      return new TabPage(parent);
    }
    if (class_name == QLatin1String("Timer")) {
      return new Timer(parent);
    }
    if (class_name == QLatin1String("FileDialogBox")) {
      return new FileDialogBox(parent);
    }
    if (class_name == QLatin1String("BrowserBox")) {
      return new BrowserBox(parent);
    }
    return nullptr;
  }
};

void apply_frame(SonivoWindow* window) {
  const QSize outer = window->size();
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (window->minimize_button()) {
    flags |= Qt::WindowMinimizeButtonHint;
  }
  if (window->maximize_button()) {
    flags |= Qt::WindowMaximizeButtonHint;
  }
  window->setWindowFlags(flags);
  window->setFixedSize(outer - WINDOW_FRAME);
}

}  // namespace

void set_template_folder(const QString& folder) {
  template_folder() = folder;
}

bool read_templates() {
  templates().clear();
  for (const char* name : TEMPLATE_NAMES) {
    QFile file(template_folder() + QLatin1String(name) + QStringLiteral(".ui"));
    if (!file.open(QIODevice::ReadOnly)) {
      return false;
    }
    QByteArray data = file.readAll();
    if (data.isEmpty()) {
      return false;
    }
    templates()[name] = std::move(data);
  }
  return true;
}

SonivoWindow* create_window(const std::string& name) {
  const auto found = templates().find(name);
  if (found == templates().end()) {
    return nullptr;
  }
  QByteArray data = found->second;
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  TemplateLoader loader;
  QWidget* root = loader.load(&buffer, nullptr);
  auto* window = qobject_cast<SonivoWindow*>(root);
  if (!window) {
    delete root;
    return nullptr;
  }
  for (QLabel* label : window->findChildren<QLabel*>()) {
    if (!qobject_cast<PictureBox*>(label)) {
      label->setTextFormat(Qt::PlainText);
    }
  }
  for (TabControl* tabs : window->findChildren<TabControl*>()) {
    tabs->adopt_pages();
  }
  apply_frame(window);
  return window;
}

}  // namespace sonivo::app
