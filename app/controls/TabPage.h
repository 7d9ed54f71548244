#pragma once
// A control kind of our window templates that Qt has no widget for. QUiLoader creates it
// by class name (TemplateLoader); its Q_PROPERTYs are the settings a template gives.

#include <QString>
#include <QWidget>

namespace sonivo::app {

// One page of a TabControl; its controls are placed relative to the tab control.
class TabPage : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString caption MEMBER caption_)

 public:
  explicit TabPage(QWidget* parent = nullptr);
  QString caption() const { return caption_; }

 private:
  QString caption_;
};

}  // namespace sonivo::app
