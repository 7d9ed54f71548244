#include "app/BrowserBox.h"

#include <QCoreApplication>
#include <QUrl>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace sonivo::app {
namespace {

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
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                const QString&) override {}
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

void BrowserBox::renew_page() {
  QWebEngineProfile* profile = offline_ ? offline_profile() : QWebEngineProfile::defaultProfile();
  QWebEnginePage* old = page_;
  page_ = silent_ ? new SilentPage(profile, this) : new QWebEnginePage(profile, this);
  page_->settings()->setFontSize(QWebEngineSettings::DefaultFontSize,
                                 FONT_SIZE_OF_TEXT_SIZE[text_size_]);
  setPage(page_);
  delete old;
  if (started_)
    navigate();
}

void BrowserBox::set_address(const QString& address) {
  address_ = address;
  if (started_)
    navigate();
}

void BrowserBox::set_text_size(int size) {
  text_size_ = qBound(0, size, 4);
  page_->settings()->setFontSize(QWebEngineSettings::DefaultFontSize,
                                 FONT_SIZE_OF_TEXT_SIZE[text_size_]);
}

void BrowserBox::set_offline(bool offline) {
  if (offline == offline_)
    return;
  offline_ = offline;
  renew_page();
}

void BrowserBox::set_silent(bool silent) {
  if (silent == silent_)
    return;
  silent_ = silent;
  renew_page();
}

void BrowserBox::start() {
  if (started_)
    return;
  started_ = true;
  navigate();
}

void BrowserBox::navigate() {
  if (address_.isEmpty())
    return;
  load(QUrl(address_, QUrl::TolerantMode));
}

}  // namespace sonivo::app
