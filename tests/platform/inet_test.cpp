// The internet layer over libcurl: handles, streamed reads, the raw header query, the
// cookie store and proxy lists, against servers on 127.0.0.1.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/inet/CookieStore.h"
#include "platform/inet/CurlInet.h"
#include "platform/inet/ProxyList.h"
#include "tests/http/LoopbackServer.h"
#include "tests/support/LoopbackPorts.h"

namespace sonivo {
namespace {

using sonivo::testing::closed_loopback_port;

using testing::answer;
using testing::ClientConnection;
using testing::Gate;
using testing::LoopbackServer;
using testing::ReceivedRequest;

struct Handles {
  InternetHandle internet = NO_HANDLE;
  InternetHandle connection = NO_HANDLE;
  InternetHandle request = NO_HANDLE;
};

Handles open_get(CurlInet& layer, int port, const char* object = "/") {
  Handles h;
  h.internet = layer.internet_open("agent", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  h.connection = layer.internet_connect(h.internet, "127.0.0.1", static_cast<InternetPort>(port),
                                        nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  h.request = layer.http_open_request(h.connection, "GET", object, "HTTP/1.1", nullptr, nullptr,
                                      INTERNET_FLAG_RELOAD, 0);
  return h;
}

std::string read_all(CurlInet& layer, InternetHandle request) {
  std::string body;
  char buffer[1024];
  std::uint32_t count = 0;
  while (layer.internet_read_file(request, buffer, sizeof buffer, &count) && count > 0) {
    body.append(buffer, count);
  }
  return body;
}

class InetLayer : public ::testing::Test {
 protected:
  InetLayer() : layer(InetSettings{{5000, 5000}, "", 10}) { cookie_store().clear(); }
  ~InetLayer() override { cookie_store().clear(); }
  CurlInet layer;
};

TEST_F(InetLayer, DefaultTimeOutsAreAMinuteToConnectAndHalfAMinuteOfSilence) {
  InetSettings defaults;
  EXPECT_EQ(defaults.timeouts.connect_ms, 60000);
  EXPECT_EQ(defaults.timeouts.receive_ms, 30000);
  EXPECT_EQ(defaults.max_redirects, 10);
}

TEST_F(InetLayer, NullHandlesWhereTheArgumentsCannotWork) {
  EXPECT_EQ(layer.internet_open("a", INTERNET_OPEN_TYPE_PROXY, nullptr, nullptr, 0), NO_HANDLE);
  EXPECT_EQ(layer.internet_open("a", INTERNET_OPEN_TYPE_PROXY, "", nullptr, 0), NO_HANDLE);
  EXPECT_EQ(layer.internet_open("a", 2, nullptr, nullptr, 0), NO_HANDLE);
  InternetHandle internet =
      layer.internet_open(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  ASSERT_NE(internet, NO_HANDLE);
  auto connect = [&](InternetHandle parent, const char* server, std::uint32_t service) {
    return layer.internet_connect(parent, server, 80, nullptr, nullptr, service, 0, 0);
  };
  EXPECT_EQ(connect(NO_HANDLE, "a.b", INTERNET_SERVICE_HTTP), NO_HANDLE);
  EXPECT_EQ(connect(internet, "", INTERNET_SERVICE_HTTP), NO_HANDLE);
  EXPECT_EQ(connect(internet, nullptr, INTERNET_SERVICE_HTTP), NO_HANDLE);
  EXPECT_EQ(connect(internet, "a.b", 1), NO_HANDLE);  // not the HTTP service
  InternetHandle connection = connect(internet, "unresolved.invalid", INTERNET_SERVICE_HTTP);
  EXPECT_NE(connection, NO_HANDLE);  // nothing is looked up before the send
  EXPECT_EQ(connect(connection, "a.b", INTERNET_SERVICE_HTTP), NO_HANDLE);

  auto open_request = [&](InternetHandle parent) {
    return layer.http_open_request(parent, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0);
  };
  EXPECT_EQ(open_request(internet), NO_HANDLE);
  InternetHandle request = open_request(connection);
  EXPECT_NE(request, NO_HANDLE);
  EXPECT_EQ(open_request(request), NO_HANDLE);
  EXPECT_TRUE(layer.internet_close_handle(connection));
  EXPECT_FALSE(layer.internet_close_handle(connection));
  EXPECT_EQ(open_request(connection), NO_HANDLE);
  EXPECT_TRUE(layer.internet_close_handle(request));
  EXPECT_TRUE(layer.internet_close_handle(internet));
}

TEST_F(InetLayer, ReadDeliversWhatHasArrivedWithoutWaitingForAFullBuffer) {
  Gate more;
  LoopbackServer server([&](ClientConnection& connection, const ReceivedRequest&) {
    connection.send("HTTP/1.1 200 OK\r\nContent-Length: 15\r\n\r\nfirst");
    more.wait(10000);
    connection.send("0123456789");
  });
  Handles h = open_get(layer, server.port());
  ASSERT_TRUE(layer.http_send_request(h.request, "", 0, nullptr, 0));
  char buffer[1024];
  std::uint32_t count = 99;
  ASSERT_TRUE(layer.internet_read_file(h.request, buffer, sizeof buffer, &count));
  EXPECT_EQ(std::string(buffer, count), "first");
  more.open();
  EXPECT_EQ(read_all(layer, h.request), "0123456789");
  ASSERT_TRUE(layer.internet_read_file(h.request, buffer, sizeof buffer, &count));
  EXPECT_EQ(count, 0u);
  layer.internet_close_handle(h.request);
  layer.internet_close_handle(h.connection);
  layer.internet_close_handle(h.internet);
}

TEST_F(InetLayer, HandlesCloseInAnyOrder) {
  LoopbackServer server(answer(200, std::string(5000, 'x')));
  Handles h = open_get(layer, server.port());
  EXPECT_TRUE(layer.internet_close_handle(h.internet));
  ASSERT_TRUE(layer.http_send_request(h.request, "", 0, nullptr, 0));
  EXPECT_TRUE(layer.internet_close_handle(h.connection));
  EXPECT_EQ(read_all(layer, h.request), std::string(5000, 'x'));
  EXPECT_TRUE(layer.internet_close_handle(h.request));

  Handles early = open_get(layer, server.port());
  ASSERT_TRUE(layer.http_send_request(early.request, "", 0, nullptr, 0));
  EXPECT_TRUE(layer.internet_close_handle(early.request));  // the body is abandoned
  std::uint32_t count = 7;
  char buffer[16];
  EXPECT_FALSE(layer.internet_read_file(early.request, buffer, sizeof buffer, &count));
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(layer.internet_close_handle(early.connection));
  EXPECT_TRUE(layer.internet_close_handle(early.internet));
}

TEST_F(InetLayer, RawHeaderQueryFitsOrFailsWritingNothing) {
  LoopbackServer server(answer(200, "ok", "X-Extra: yes\r\n"));
  Handles h = open_get(layer, server.port());
  char buffer[256];
  std::uint32_t length = sizeof buffer;
  EXPECT_FALSE(layer.http_query_info(h.request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer, &length,
                                     nullptr));  // nothing sent yet
  ASSERT_TRUE(layer.http_send_request(h.request, "", 0, nullptr, 0));

  const std::string expected =
      "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nX-Extra: yes\r\nConnection: close\r\n\r\n";
  std::memset(buffer, '#', sizeof buffer);
  length = static_cast<std::uint32_t>(expected.size());  // one short: the NUL does not fit
  EXPECT_FALSE(
      layer.http_query_info(h.request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer, &length, nullptr));
  EXPECT_EQ(length, expected.size() + 1);
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '#'));

  length = static_cast<std::uint32_t>(expected.size() + 1);
  ASSERT_TRUE(
      layer.http_query_info(h.request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer, &length, nullptr));
  EXPECT_EQ(length, expected.size());
  EXPECT_EQ(std::string(buffer), expected);
  length = sizeof buffer;
  EXPECT_FALSE(layer.http_query_info(h.request, 1, buffer, &length, nullptr));
  EXPECT_EQ(read_all(layer, h.request), "ok");
  layer.internet_close_handle(h.request);
  layer.internet_close_handle(h.connection);
  layer.internet_close_handle(h.internet);
}

TEST_F(InetLayer, RefusedConnectionFailsTheSendAndReadsNothing) {
  Handles h = open_get(layer, closed_loopback_port());
  EXPECT_FALSE(layer.http_send_request(h.request, "", 0, nullptr, 0));
  char buffer[64];
  std::uint32_t count = 5;
  layer.internet_read_file(h.request, buffer, sizeof buffer, &count);
  EXPECT_EQ(count, 0u);
  std::uint32_t length = sizeof buffer;
  EXPECT_FALSE(
      layer.http_query_info(h.request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer, &length, nullptr));
  layer.internet_close_handle(h.request);
  layer.internet_close_handle(h.connection);
  layer.internet_close_handle(h.internet);
}

TEST_F(InetLayer, ObjectNameBytesAUrlCannotCarryAreEscaped) {
  LoopbackServer server(answer(200, "ok"));
  Handles h = open_get(layer, server.port(), "/a b/\xD6\xD0?x=1&y=/../z");
  ASSERT_TRUE(layer.http_send_request(h.request, "", 0, nullptr, 0));
  read_all(layer, h.request);
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].request_line(), "GET /a%20b/%D6%D0?x=1&y=/../z HTTP/1.1");
  layer.internet_close_handle(h.request);
  layer.internet_close_handle(h.connection);
  layer.internet_close_handle(h.internet);
}

struct CookieCase {
  const char* host;
  const char* path;
  bool secure;
  const char* header;
};

TEST(CookieStore, MatchesHostPathAndSecurityAndReplacesByNameDomainAndPath) {
  CookieStore store;
  EXPECT_TRUE(store.set("http://a.example/", "sid", "42; path=/"));
  EXPECT_TRUE(store.set("http://a.example", "", "flag"));
  EXPECT_TRUE(store.set("http://a.example/shop/cart", "deep", "1"));  // path /shop
  EXPECT_TRUE(store.set("http://a.example", "", "wide=2; Domain=.example"));
  EXPECT_TRUE(store.set("http://a.example", "safe", "3; secure"));
  EXPECT_TRUE(store.set("http://a.example", "sid", "43; path=/"));  // replaces 42
  EXPECT_FALSE(store.set("http://a.example", "other", "4; domain=b.example"));
  EXPECT_FALSE(store.set("http:///x", "n", "v"));
  const CookieCase cases[] = {
      {"a.example", "/", false, "sid=43; flag; wide=2"},
      {"A.EXAMPLE", "/shop/item?q=1", false, "deep=1; sid=43; flag; wide=2"},
      {"a.example", "/shopping", false, "sid=43; flag; wide=2"},
      {"a.example", "/", true, "sid=43; flag; wide=2; safe=3"},
      {"b.example", "/", false, "wide=2"},
      {"example", "/", false, "wide=2"},
      {"xa.example", "/", false, "wide=2"},
      {"notexample", "/", false, ""},
      {"c.other", "/", false, ""},
  };
  for (const CookieCase& c : cases) {
    EXPECT_EQ(store.header_for(c.host, c.path, c.secure), c.header) << c.host << c.path;
  }
  EXPECT_TRUE(store.set("http://a.example", "sid", "x; path=/; max-age=0"));
  EXPECT_EQ(store.header_for("a.example", "/", false), "flag; wide=2");
}

TEST(ProxyList, PicksTheEntryForTheSchemeOrTheGeneralOne) {
  struct Case {
    const char* list;
    const char* scheme;
    const char* proxy;
  };
  const Case cases[] = {
      {"http=127.0.0.1:8080", "http", "http://127.0.0.1:8080"},
      {"http=127.0.0.1:8080", "https", ""},
      {"http=p.example", "http", "http://p.example:80"},
      {"http= 127.0.0.1:8080", "http", "http://127.0.0.1:8080"},
      {"https=s:1 http=h:2", "http", "http://h:2"},
      {"https=s:1;http=h:2", "https", "http://s:1"},
      {"g:3 http=h:2", "http", "http://h:2"},
      {"g:3", "https", "http://g:3"},
      {"http=", "http", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(proxy_for_scheme(c.list, c.scheme), c.proxy) << c.list << " / " << c.scheme;
  }
  EXPECT_EQ(bypass_for_curl("a.b;<local> c.d"), "a.b,c.d");
  EXPECT_EQ(bypass_for_curl(""), "");
}

}  // namespace
}  // namespace sonivo
