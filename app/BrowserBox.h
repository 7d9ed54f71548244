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
// A write of the address navigates at once, except while the window is being created
// from its template: then the address is kept, and start() (called once the window's
// hosts are in place) navigates to it. A read gives the address last written.

#include <QString>
#include <QWebEngineView>

namespace sonivo::app {

class BrowserBox : public QWebEngineView {
  Q_OBJECT
  Q_PROPERTY(QString address READ address WRITE set_address)
  Q_PROPERTY(int textSize READ text_size WRITE set_text_size)
  Q_PROPERTY(bool offline READ offline WRITE set_offline)
  Q_PROPERTY(bool silent READ silent WRITE set_silent)

 public:
  explicit BrowserBox(QWidget* parent = nullptr);

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

 private:
  void renew_page();
  void navigate();

  QWebEnginePage* page_ = nullptr;
  QString address_;
  int text_size_ = 2;
  bool offline_ = false;
  bool silent_ = false;
  bool started_ = false;
};

}  // namespace sonivo::app
