#include "app/controls/BrowserBox.h"

#include <QCoreApplication>
#include <QPointer>
#include <QUrl>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include "app/FlashScheme.h"
#include "app/MovieRequests.h"

namespace sonivo::app {
namespace {

std::function<void(const QString&)>& console_observer() {
  static std::function<void(const QString&)> observer;
  return observer;
}

bool is_movie_start(const std::string& body) {
  const std::string start = body.substr(0, 3);
  return start == "FWS" || start == "CWS" || start == "ZWS";
}

constexpr int FONT_SIZE_OF_TEXT_SIZE[] = {12, 14, 16, 19, 22};

class SilentPage : public QWebEnginePage {
 public:
  SilentPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {
    connect(this, &QWebEnginePage::certificateError,
            [](QWebEngineCertificateError error) { error.rejectCertificate(); });
    connect(this, &QWebEnginePage::featurePermissionRequested,
            [this](const QUrl& origin, Feature feature) {
              setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
  }

 protected:
  void javaScriptAlert(const QUrl&, const QString&) override {}
  bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
  bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
    return false;
  }
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                const QString&) override {
    if (console_observer()) {
      console_observer()(message);
    }
  }
  QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override {
    return {};
  }
};

QWebEngineProfile* offline_profile() {
  // Created without a storage name, a profile is off the record.
  static QWebEngineProfile* profile = new QWebEngineProfile(QCoreApplication::instance());
  return profile;
}

}  // namespace

BrowserBox::BrowserBox(QWidget* parent) : QWebEngineView(parent) {
  renew_page();
}

BrowserBox::~BrowserBox() {
  end_movie_probe();
}

void BrowserBox::set_console_observer_for_tests(std::function<void(const QString&)> observer) {
  console_observer() = std::move(observer);
}

void BrowserBox::renew_page() {
  QWebEngineProfile* profile = offline_ ? offline_profile() : QWebEngineProfile::defaultProfile();
  serve_flash_scheme(profile);
  disconnect(downloads_);
  downloads_ = connect(profile, &QWebEngineProfile::downloadRequested, this,
                       &BrowserBox::download_requested);
  end_movie_probe();
  QWebEnginePage* old = page_;
  page_ = silent_ ? new SilentPage(profile, this) : new QWebEnginePage(profile, this);
  page_->settings()->setFontSize(QWebEngineSettings::DefaultFontSize,
                                 FONT_SIZE_OF_TEXT_SIZE[text_size_]);
  // A player starts its sound by itself, as the plug-in did, without waiting for a click.
  page_->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
  setPage(page_);
  delete old;
  if (started_) {
    navigate();
  }
}

void BrowserBox::set_address(const QString& address) {
  address_ = address;
  if (started_) {
    navigate();
  }
}

void BrowserBox::set_text_size(int size) {
  text_size_ = qBound(0, size, 4);
  page_->settings()->setFontSize(QWebEngineSettings::DefaultFontSize,
                                 FONT_SIZE_OF_TEXT_SIZE[text_size_]);
}

void BrowserBox::set_offline(bool offline) {
  if (offline == offline_) {
    return;
  }
  offline_ = offline;
  renew_page();
}

void BrowserBox::set_silent(bool silent) {
  if (silent == silent_) {
    return;
  }
  silent_ = silent;
  renew_page();
}

void BrowserBox::start() {
  if (started_) {
    return;
  }
  started_ = true;
  navigate();
}

void BrowserBox::navigate() {
  end_movie_probe();
  if (address_.isEmpty()) {
    return;
  }
  load(QUrl(address_, QUrl::TolerantMode));
}

// The profile is shared by every box; each box takes only its own page's downloads. A box
// offers no downloads at all, so every one is cancelled.
void BrowserBox::download_requested(QWebEngineDownloadRequest* download) {
  if (download->page() != page_) {
    return;
  }
  const QUrl address = download->url();
  const bool flash_type =
      download->mimeType().compare(QLatin1String("application/x-shockwave-flash"),
                                   Qt::CaseInsensitive) == 0;
  download->cancel();
  if (flash_type) {
    show_movie(address);
  } else {
    look_for_movie_at(address);
  }
}

// A movie served under another type is known by its first three bytes, read anew by the
// program (the browser keeps the cancelled download's bytes to itself).
void BrowserBox::look_for_movie_at(const QUrl& address) {
  end_movie_probe();
  webfetch::WebRequest request;
  request.url = address.toString(QUrl::FullyEncoded).toStdString();
  request.first_bytes_only = 3;
  QPointer<BrowserBox> box(this);
  movie_probe_ =
      MovieRequests::instance().start(request, [box, address](webfetch::WebAnswer answer) {
        if (!box) {
          return;
        }
        box->movie_probe_ = 0;
        if (answer.transferred && is_movie_start(answer.body)) {
          box->show_movie(address);
        }
      });
}

void BrowserBox::end_movie_probe() {
  if (movie_probe_ != 0) {
    MovieRequests::instance().cancel(movie_probe_);
    movie_probe_ = 0;
  }
}

void BrowserBox::show_movie(const QUrl& movie) {
  if (!flash_player_available()) {
    page_->setHtml(flash_unavailable_html());
    return;
  }
  page_->load(flash_hosting_url(movie));
}

// Hidden with its window (closed, a window destroyed a moment later), the box falls
// silent at once; hidden on a tab page that is not shown, it plays on.
void BrowserBox::hideEvent(QHideEvent* event) {
  if (!window()->isVisible()) {
    page_->setAudioMuted(true);
  }
  QWebEngineView::hideEvent(event);
}

void BrowserBox::showEvent(QShowEvent* event) {
  page_->setAudioMuted(false);
  QWebEngineView::showEvent(event);
}

}  // namespace sonivo::app
