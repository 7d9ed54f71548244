#pragma once
// Brings the look of written controls to the screen at most once per display frame.
//
// The downloader writes the progress bar and the transparent label after every range,
// from inside a transfer that pumps no events, so nothing but our own code can put them
// on the screen. Putting them there at every write costs the whole window a frame
// (MainWindow composes, for its browser box) for each range, and held a fast download to
// the speed of painting. The values are still written at once (a read gives the last
// one); only the flush to the screen is paced. What is written stays pending until:
// - the thread is about to wait for the network and a frame has passed since the last
//   flush (while_waiting): the paint then costs nothing, the next request being out;
//   while the wait lasts, it asks to be called again once a frame is due;
// - a write finds values pending for a frame or more and no flush in the last frame (a
//   download whose answers are in before it ever waits);
// - the window services hand over to the user (message box, modal window, file dialog):
//   the last values of a download are on the screen before the box that ends it.
// So the screen lags the values by about a frame at most, and is flushed at most once a
// frame except right before a box.
//
// A frame is stretched when flushes are dear: the time after a flush until the next is
// at least FLUSH_SPACING times what the flush took, so that painting never takes more
// than a twentieth of a download's time. A window that flushes in under a millisecond
// keeps the display's frame; one composed in software (as on a virtual X server) can take
// 5 ms a flush, and is then brought up to date about ten times a second.

#include <QPointer>
#include <cstdint>
#include <optional>
#include <vector>

class QWidget;

namespace sonivo::app {

class FramePacer {
 public:
  static constexpr uint32_t FLUSH_SPACING = 19;

  // A control of `window` has been written; `changed` says whether its look changed.
  void written(QWidget* window, bool changed);
  // Flushes when something is pending and a frame has passed since the last flush.
  // Returns the milliseconds until a pending flush is due, or -1 when nothing waits.
  int while_waiting();
  // Flushes whatever is pending, now.
  void flush_pending();
  // Forgets pending windows and the last flush (the toolkit's clean-up).
  void forget();

  bool pending() const { return !pending_.empty(); }
  // Flushes made so far (the bench's frames per second; tests).
  long flushes() const { return flushes_; }
  // The least time from the end of a flush to the next: a frame, or more (see above).
  uint32_t spacing_ms() const;

 private:
  bool frame_passed_since_last_flush(uint32_t now) const;

  std::vector<QPointer<QWidget>> pending_;
  uint32_t pending_since_ = 0;          // tick of the first change not yet flushed
  std::optional<uint32_t> last_flush_;  // tick at the end of the last flush
  uint32_t frame_ms_ = 17;              // of the screen the last written window is on
  uint32_t last_flush_cost_ = 0;        // ticks the last flush took
  long flushes_ = 0;
};

// One display frame of the screen `window` is on, in whole milliseconds rounded up;
// 60 Hz when the screen gives no usable rate.
uint32_t frame_interval_ms(const QWidget* window);

}  // namespace sonivo::app
