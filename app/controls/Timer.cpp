#include "app/controls/Timer.h"

namespace sonivo::app {

Timer::Timer(QWidget* parent) : QWidget(parent) {
  setVisible(false);
  connect(&timer_, &QTimer::timeout, this, &Timer::fired);
}

void Timer::set_interval(int milliseconds) {
  interval_ = milliseconds;
  timer_.stop();
  if (interval_ > 0) {
    timer_.start(interval_);
  }
}

}  // namespace sonivo::app
