#include "app/FramePacer.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "app/PutOnScreen.h"
#include "platform/clock/Clock.h"

namespace sonivo::app {

uint32_t frame_interval_ms(const QWidget* window) {
  const QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
  double rate = screen ? screen->refreshRate() : 0;
  // Virtual screens may report 0 or made-up rates.
  if (!(rate >= 20 && rate <= 1000)) {
    rate = 60;
  }
  return static_cast<uint32_t>(std::ceil(1000.0 / rate));
}

uint32_t FramePacer::spacing_ms() const {
  return std::max(frame_ms_, last_flush_cost_ * FLUSH_SPACING);
}

// Tick differences wrap, as the platform's tick count does.
bool FramePacer::frame_passed_since_last_flush(uint32_t now) const {
  return !last_flush_ || now - *last_flush_ >= spacing_ms();
}

void FramePacer::written(QWidget* window, bool changed) {
  const uint32_t now = clock::tick_count();
  if (changed && window) {
    if (pending_.empty()) {
      pending_since_ = now;
      frame_ms_ = frame_interval_ms(window);
    }
    if (std::find(pending_.begin(), pending_.end(), window) == pending_.end()) {
      pending_.emplace_back(window);
    }
  }
  if (!pending_.empty() && now - pending_since_ >= frame_ms_ &&
      frame_passed_since_last_flush(now)) {
    flush_pending();
  }
}

int FramePacer::while_waiting() {
  if (pending_.empty()) {
    return -1;
  }
  const uint32_t now = clock::tick_count();
  if (frame_passed_since_last_flush(now)) {
    flush_pending();
    return -1;
  }
  return static_cast<int>(spacing_ms() - (now - *last_flush_));
}

void FramePacer::flush_pending() {
  if (pending_.empty()) {
    return;
  }
  const uint32_t start = clock::tick_count();
  const std::vector<QPointer<QWidget>> windows = std::move(pending_);
  pending_.clear();
  for (const QPointer<QWidget>& window : windows) {
    if (window) {
      put_on_screen(window);
    }
  }
  ++flushes_;
  // Measured from the flush's end: a flush slower than a frame must not make the next
  // write flush again at once.
  last_flush_ = clock::tick_count();
  last_flush_cost_ = *last_flush_ - start;
}

void FramePacer::forget() {
  pending_.clear();
  last_flush_.reset();
  last_flush_cost_ = 0;
}

}  // namespace sonivo::app
