#pragma once
// A control kind of our window templates that Qt has no widget for. QUiLoader creates it
// by class name (TemplateLoader); its Q_PROPERTYs are the settings a template gives.

#include <QTimer>
#include <QWidget>

namespace sonivo::app {

// A timer control: never visible. An interval of 0 means it never fires.
class Timer : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int interval READ interval WRITE set_interval)

 public:
  explicit Timer(QWidget* parent = nullptr);
  int interval() const { return interval_; }
  void set_interval(int milliseconds);

 signals:
  void fired();

 private:
  int interval_ = 0;
  QTimer timer_;
};

}  // namespace sonivo::app
