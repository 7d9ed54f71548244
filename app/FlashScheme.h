#pragma once
// The browser boxes show a Flash movie through Ruffle (a Flash Player emulator in
// WebAssembly) on a hosting page of our own URL scheme, sonivo-flash://player/:
//
//   host.html?movie=<address>   the hosting page: Ruffle filling the box, loading <address>
//   ruffle/<file>               Ruffle's scripts and WebAssembly, read from the run-time
//                               files beside the executable
//   fetch?u=<address>&m=<method>[&t=<type>&b=<base64 body>]
//                               a request of the movie, made by the program's own HTTP code
//                               (MovieRequests), http and https only
//
// Qt 6.4's fetch() refuses custom schemes while XMLHttpRequest accepts them, so the hosting
// page replaces window.fetch before Ruffle loads: Ruffle's WebAssembly and every request of
// the movie become same-origin requests of this scheme, untouched by the page's
// cross-origin rules, as the plug-in's requests were.

#include <QString>
#include <QUrl>
#include <functional>

class QWebEngineProfile;

namespace sonivo::app {

// Registers the scheme; must run before the QApplication is created.
void register_flash_scheme();

// Lets `profile` serve the scheme (once per profile).
void serve_flash_scheme(QWebEngineProfile* profile);

// The hosting page showing the movie at `movie`.
QUrl flash_hosting_url(const QUrl& movie);

// False when Ruffle's files are not beside the executable.
bool flash_player_available();

// What a box shows instead of the movie when Ruffle's files are missing.
QString flash_unavailable_html();

// Tests see each request of a movie: its address and whether it was refused.
void set_movie_request_observer_for_tests(
    std::function<void(const QString&, bool refused)> observer);

}  // namespace sonivo::app
