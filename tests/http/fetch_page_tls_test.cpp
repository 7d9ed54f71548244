// An "https://" address travels over TLS: a loopback TLS server whose self-signed
// certificate only this test trusts.

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "http/FetchPage.h"
#include "platform/inet/CurlInet.h"
#include "tests/support/RecordingWindowServices.h"
#include "tests/support/TempFolder.h"

namespace sonivo {
namespace {

class TlsServer {
 public:
  explicit TlsServer(const std::string& folder)
      : certificate_(folder + "/cert.pem"), key_(folder + "/key.pem") {
    std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
        " -addext subjectAltName=IP:127.0.0.1 -keyout " +
        key_ + " -out " + certificate_ + " >/dev/null 2>&1";
    made_ = std::system(command.c_str()) == 0;
    if (!made_) {
      return;
    }
    server_ = std::make_unique<httplib::SSLServer>(certificate_.c_str(), key_.c_str());
    server_->Get("/secure", [this](const httplib::Request& request, httplib::Response& response) {
      std::lock_guard lock(mutex_);
      referer_ = request.get_header_value("Referer");
      response.set_content("over tls", "text/plain");
    });
    server_->Get("/hop", [](const httplib::Request&, httplib::Response& response) {
      response.set_redirect("/secure");
    });
    server_->Get("/downgrade", [this](const httplib::Request&, httplib::Response& response) {
      std::lock_guard lock(mutex_);
      response.set_redirect(plain_target_);
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
  }
  ~TlsServer() {
    if (server_) {
      server_->stop();
    }
    if (thread_.joinable()) {
      thread_.join();
    }
  }

  bool made() const { return made_ && port_ > 0; }
  const std::string& certificate() const { return certificate_; }
  std::string url(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::string referer() {
    std::lock_guard lock(mutex_);
    return referer_;
  }
  void set_plain_target(const std::string& url) {
    std::lock_guard lock(mutex_);
    plain_target_ = url;
  }

 private:
  std::mutex mutex_;
  std::string referer_;
  std::string plain_target_;
  std::string certificate_;
  std::string key_;
  bool made_ = false;
  int port_ = 0;
  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
};

TEST(FetchPageOverTls, HttpsAddressReachesATlsServer) {
  testing::RecordingWindowServices windows;
  testing::TempFolder folder;
  TlsServer server(folder.str());
  ASSERT_TRUE(server.made());
  CurlInet layer(InetSettings{{5000, 5000}, server.certificate(), 10});
  install_inet(&layer);
  Text response_headers;
  Bytes body = fetch_page(Text(server.url("/secure")), 0, Text(), Text(), Text(), Text(), 0,
                          &response_headers);
  install_inet(nullptr);
  EXPECT_EQ(body.data(), "over tls");
  EXPECT_EQ(server.referer(), server.url("/secure"));
  EXPECT_TRUE(response_headers.str().starts_with("HTTP/1.1 200 OK\r\n"));
}

TEST(FetchPageOverTls, CertificateNobodyTrustsGivesNothing) {
  testing::RecordingWindowServices windows;
  testing::TempFolder folder;
  TlsServer server(folder.str());
  ASSERT_TRUE(server.made());
  CurlInet layer(InetSettings{{5000, 5000}, "", 10});
  install_inet(&layer);
  Bytes body = fetch_page(Text(server.url("/secure")));
  install_inet(nullptr);
  EXPECT_TRUE(body.empty());
  EXPECT_TRUE(server.referer().empty());
}

// A redirect within TLS is followed; one that would carry the request on in clear (the
// Referer naming the secure address, the cookies) is refused, and the fetch gives nothing.
TEST(FetchPageOverTls, RedirectIsFollowedOnlyWhileItStaysOnTls) {
  testing::RecordingWindowServices windows;
  testing::TempFolder folder;
  TlsServer server(folder.str());
  ASSERT_TRUE(server.made());
  std::atomic<int> plain_requests{0};
  httplib::Server plain;
  plain.Get("/landing", [&](const httplib::Request&, httplib::Response& response) {
    ++plain_requests;
    response.set_content("in clear", "text/plain");
  });
  const int plain_port = plain.bind_to_any_port("127.0.0.1");
  ASSERT_GT(plain_port, 0);
  std::thread plain_thread([&] { plain.listen_after_bind(); });
  server.set_plain_target("http://127.0.0.1:" + std::to_string(plain_port) + "/landing");

  CurlInet layer(InetSettings{{5000, 5000}, server.certificate(), 10});
  install_inet(&layer);
  Bytes followed = fetch_page(Text(server.url("/hop")));
  Text response_headers;
  Bytes refused = fetch_page(Text(server.url("/downgrade")), 0, Text(), Text(), Text(), Text(), 0,
                             &response_headers);
  install_inet(nullptr);
  plain.stop();
  plain_thread.join();

  EXPECT_EQ(followed.data(), "over tls");
  EXPECT_TRUE(refused.empty());
  EXPECT_EQ(plain_requests.load(), 0);
  EXPECT_EQ(response_headers.str(), std::string(RAW_HEADER_CAPACITY, ' '));
}

}  // namespace
}  // namespace sonivo
