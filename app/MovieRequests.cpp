#include "app/MovieRequests.h"

#include <QCoreApplication>
#include <QSocketNotifier>

namespace sonivo::app {

MovieRequests& MovieRequests::instance() {
  // Parented to the application, so the transfers end with it.
  static MovieRequests* requests = [] {
    auto* made = new MovieRequests();
    made->setParent(QCoreApplication::instance());
    return made;
  }();
  return *requests;
}

MovieRequests::MovieRequests() {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] { fetcher_->timer_fired(); });
  fetcher_ = std::make_unique<webfetch::WebFetcher>(static_cast<webfetch::EventLoopHooks&>(*this));
}

int MovieRequests::start(const webfetch::WebRequest& request, webfetch::WebFetcher::Done done) {
  return fetcher_->start(request, std::move(done));
}

void MovieRequests::cancel(int id) {
  fetcher_->cancel(id);
}

// A notifier is kept per socket number and only switched on and off: libcurl names a
// socket again and again while a transfer runs, and deleting a notifier from inside its
// own signal is not allowed.
void MovieRequests::watch_socket(int socket, bool for_reading, bool for_writing) {
  Notifiers& pair = notifiers_[socket];
  if (for_reading && !pair.read) {
    pair.read = new QSocketNotifier(socket, QSocketNotifier::Read, this);
    connect(pair.read, &QSocketNotifier::activated, this,
            [this, socket] { fetcher_->socket_ready(socket, true, false); });
  }
  if (for_writing && !pair.write) {
    pair.write = new QSocketNotifier(socket, QSocketNotifier::Write, this);
    connect(pair.write, &QSocketNotifier::activated, this,
            [this, socket] { fetcher_->socket_ready(socket, false, true); });
  }
  if (pair.read) {
    pair.read->setEnabled(for_reading);
  }
  if (pair.write) {
    pair.write->setEnabled(for_writing);
  }
}

void MovieRequests::arm_timer(long milliseconds) {
  if (milliseconds < 0) {
    timer_.stop();
    return;
  }
  timer_.start(static_cast<int>(milliseconds));
}

}  // namespace sonivo::app
