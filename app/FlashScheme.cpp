#include "app/FlashScheme.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonValue>
#include <QPointer>
#include <QUrlQuery>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

#include "app/MovieRequests.h"
#include "app/RuntimeFiles.h"

static void register_flash_resources() {
  Q_INIT_RESOURCE(flash);
}

namespace sonivo::app {
namespace {

const QByteArray SCHEME = QByteArrayLiteral("sonivo-flash");
const QString HOST = QStringLiteral("player");

std::function<void(const QString&, bool)>& request_observer() {
  static std::function<void(const QString&, bool)> observer;
  return observer;
}

void tell_observer(const QString& address, bool refused) {
  if (request_observer()) {
    request_observer()(address, refused);
  }
}

QByteArray resource_text(const QString& name) {
  QFile file(QStringLiteral(":/flash/") + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The movie's address as a script literal; "</" is broken up so the address cannot end
// the script element it stands in.
QByteArray script_string(const QString& text) {
  QByteArray literal =
      QJsonDocument::fromVariant(QVariantList{text}).toJson(QJsonDocument::Compact);
  literal = literal.mid(1, literal.size() - 2);
  return literal.replace("</", "<\\/");
}

QByteArray hosting_page(const QString& movie) {
  QByteArray page = resource_text(QStringLiteral("host.html"));
  page.replace("@FETCH_OVER_XHR@", resource_text(QStringLiteral("fetch-over-xhr.js")));
  page.replace("@MOVIE@", script_string(movie));
  return page;
}

QByteArray type_of_runtime_file(const QString& name) {
  if (name.endsWith(QLatin1String(".wasm"))) {
    return QByteArrayLiteral("application/wasm");
  }
  if (name.endsWith(QLatin1String(".js"))) {
    return QByteArrayLiteral("text/javascript");
  }
  return QByteArrayLiteral("text/plain");
}

void reply_with(QWebEngineUrlRequestJob* job, const QByteArray& type, const QByteArray& body) {
  auto* buffer = new QBuffer(job);
  buffer->setData(body);
  buffer->open(QIODevice::ReadOnly);
  job->reply(type, buffer);
}

class FlashSchemeHandler : public QWebEngineUrlSchemeHandler {
 public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    const QUrl url = job->requestUrl();
    const QString path = url.path();
    if (url.host() != HOST) {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    } else if (path == QLatin1String("/host.html")) {
      const QString movie =
          QUrlQuery(url).queryItemValue(QStringLiteral("movie"), QUrl::FullyDecoded);
      reply_with(job, QByteArrayLiteral("text/html"), hosting_page(movie));
    } else if (path.startsWith(QLatin1String("/ruffle/"))) {
      serve_runtime_file(job, path.mid(int(qstrlen("/ruffle/"))));
    } else if (path == QLatin1String("/fetch")) {
      relay(job, QUrlQuery(url));
    } else {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    }
  }

 private:
  // Plain file names of Ruffle's folder only: nothing above or beside it.
  static void serve_runtime_file(QWebEngineUrlRequestJob* job, const QString& name) {
    const QString folder = runtime_path(QStringLiteral("ruffle"));
    if (folder.isEmpty() || name.isEmpty() || name.contains(QLatin1Char('/')) ||
        name.startsWith(QLatin1Char('.'))) {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    // Read by the browser straight from the file, which lives as long as the request.
    auto* file = new QFile(QDir(folder).filePath(name), job);
    if (!file->open(QIODevice::ReadOnly)) {
      delete file;
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    job->reply(type_of_runtime_file(name), file);
  }

  // A request of the movie, answered when the program's own transfer ends; the page goes
  // on meanwhile. An answer other than 2xx fails the request, as a plug-in's load failed.
  static void relay(QWebEngineUrlRequestJob* job, const QUrlQuery& query) {
    webfetch::WebRequest request;
    const QString address = query.queryItemValue(QStringLiteral("u"), QUrl::FullyDecoded);
    request.url = address.toStdString();
    request.method = query.queryItemValue(QStringLiteral("m")).toStdString();
    if (request.method == "POST") {
      request.content_type =
          query.queryItemValue(QStringLiteral("t"), QUrl::FullyDecoded).toStdString();
      request.body = QByteArray::fromBase64(query.queryItemValue(QStringLiteral("b")).toLatin1())
                         .toStdString();
    }
    QPointer<QWebEngineUrlRequestJob> alive(job);
    const int id = MovieRequests::instance().start(request, [alive](webfetch::WebAnswer answer) {
      if (!alive) {
        return;
      }
      if (!answer.transferred || answer.status < 200 || answer.status > 299) {
        alive->fail(QWebEngineUrlRequestJob::RequestFailed);
        return;
      }
      const QByteArray type = answer.content_type.empty()
                                  ? QByteArrayLiteral("application/octet-stream")
                                  : QByteArray::fromStdString(answer.content_type);
      reply_with(alive, type, QByteArray::fromStdString(answer.body));
    });
    tell_observer(address, id == 0);
    if (id == 0) {
      job->fail(QWebEngineUrlRequestJob::RequestDenied);
      return;
    }
    // A page closed or reloaded drops its requests; so does the transfer.
    QObject::connect(job, &QObject::destroyed, &MovieRequests::instance(),
                     [id] { MovieRequests::instance().cancel(id); });
  }
};

FlashSchemeHandler& scheme_handler() {
  static auto* handler = new FlashSchemeHandler(QCoreApplication::instance());
  return *handler;
}

}  // namespace

void register_flash_scheme() {
  register_flash_resources();
  if (QWebEngineUrlScheme::schemeByName(SCHEME).name() == SCHEME) {
    return;
  }
  QWebEngineUrlScheme scheme(SCHEME);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
  // Secure, so the page may use what browsers keep for secure origins (WebAssembly's
  // streaming compile among them); local access stays off: a page of this scheme reaches
  // no file.
  scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
  QWebEngineUrlScheme::registerScheme(scheme);
}

void serve_flash_scheme(QWebEngineProfile* profile) {
  if (!profile->urlSchemeHandler(SCHEME)) {
    profile->installUrlSchemeHandler(SCHEME, &scheme_handler());
  }
}

QUrl flash_hosting_url(const QUrl& movie) {
  QUrl url;
  url.setScheme(QString::fromLatin1(SCHEME));
  url.setHost(HOST);
  url.setPath(QStringLiteral("/host.html"));
  QUrlQuery query;
  query.addQueryItem(
      QStringLiteral("movie"),
      QString::fromUtf8(QUrl::toPercentEncoding(movie.toString(QUrl::FullyEncoded))));
  url.setQuery(query);
  return url;
}

bool flash_player_available() {
  return !runtime_path(QStringLiteral("ruffle/ruffle.js")).isEmpty();
}

QString flash_unavailable_html() {
  return QStringLiteral(
             "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head>"
             "<body style=\"margin:4px;font-size:12px\">%1</body></html>")
      .arg(QString::fromUtf8("无法播放 Flash 内容"));
}

void set_movie_request_observer_for_tests(std::function<void(const QString&, bool)> observer) {
  request_observer() = std::move(observer);
}

}  // namespace sonivo::app
