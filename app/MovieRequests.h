#pragma once
// The one fetcher of the program's Flash movies (platform/webfetch), driven by the Qt
// event loop: socket notifiers for the sockets libcurl names, a single-shot timer for the
// time-outs it asks for. Everything runs on the GUI thread and nothing waits: an answer
// arrives as a callback from the loop.

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "platform/webfetch/WebFetch.h"

class QSocketNotifier;

namespace sonivo::app {

class MovieRequests : public QObject, public webfetch::EventLoopHooks {
 public:
  static MovieRequests& instance();

  // As WebFetcher::start and cancel.
  int start(const webfetch::WebRequest& request, webfetch::WebFetcher::Done done);
  void cancel(int id);

 private:
  MovieRequests();
  void watch_socket(int socket, bool for_reading, bool for_writing) override;
  void arm_timer(long milliseconds) override;

  struct Notifiers {
    QSocketNotifier* read = nullptr;
    QSocketNotifier* write = nullptr;
  };
  std::map<int, Notifiers> notifiers_;
  QTimer timer_;
  std::unique_ptr<webfetch::WebFetcher> fetcher_;
};

}  // namespace sonivo::app
