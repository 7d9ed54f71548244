#pragma once
// The browser box, over Qt WebEngine. How the platform browser's settings map here:
//
// - textSize 0..4 (smallest, smaller, medium, larger, largest) sets the default font
//   size of the page: 12, 14, 16, 19, 22 pixels, 16 being the browser's own medium. Like
//   the platform setting it changes only text whose size the page does not fix.
// - offline: the box keeps nothing on disk (an off-the-record profile: no disk cache, no
//   cookies saved between runs). A strict cache-only mode would keep the about page and
//   the player, which are fetched anew at every start, from ever loading.
// - silent: the page raises no dialogs of its own: JavaScript alerts, confirms and
//   prompts are answered without a dialog (confirm and prompt as cancelled), file
//   choosers pick nothing, certificate errors are refused, permission requests denied,
//   and console messages dropped.
//
// Flash: a navigation whose answer is a Flash movie (its type application/x-shockwave-
// flash, or a body beginning "FWS", "CWS" or "ZWS") would end as a download offer; the box
// shows the movie with Ruffle instead, filling the box (FlashScheme.h), or one line saying
// it cannot when Ruffle's files are missing. The sound of a movie stops the moment the
// box's window is hidden.
//
// A write of the address navigates at once, except while the window is being created
// from its template: then the address is kept, and start() (called once the window's
// hosts are in place) navigates to it. A read gives the address last written.

#include <QMetaObject>
#include <QString>
#include <QWebEngineView>
#include <functional>

class QWebEngineDownloadRequest;

namespace sonivo::app {

class BrowserBox : public QWebEngineView {
  Q_OBJECT
  Q_PROPERTY(QString address READ address WRITE set_address)
  Q_PROPERTY(int textSize READ text_size WRITE set_text_size)
  Q_PROPERTY(bool offline READ offline WRITE set_offline)
  Q_PROPERTY(bool silent READ silent WRITE set_silent)

 public:
  explicit BrowserBox(QWidget* parent = nullptr);
  ~BrowserBox() override;

  QString address() const { return address_; }
  void set_address(const QString& address);
  int text_size() const { return text_size_; }
  void set_text_size(int size);
  bool offline() const { return offline_; }
  void set_offline(bool offline);
  bool silent() const { return silent_; }
  void set_silent(bool silent);

  void start();
  bool started() const { return started_; }

  // Tests read the console of silent pages (which drop it otherwise).
  static void set_console_observer_for_tests(std::function<void(const QString&)> observer);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void renew_page();
  void navigate();
  void download_requested(QWebEngineDownloadRequest* download);
  void look_for_movie_at(const QUrl& address);
  void show_movie(const QUrl& movie);
  void end_movie_probe();

  QWebEnginePage* page_ = nullptr;
  QString address_;
  int text_size_ = 2;
  bool offline_ = false;
  bool silent_ = false;
  bool started_ = false;
  QMetaObject::Connection downloads_;
  int movie_probe_ = 0;  // a request of MovieRequests under way, or 0
};

}  // namespace sonivo::app
