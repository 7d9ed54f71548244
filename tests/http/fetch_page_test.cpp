// fetch_page over the real internet layer against servers on 127.0.0.1 that keep the
// bytes they received.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "http/FetchPage.h"
#include "platform/inet/CookieStore.h"
#include "platform/inet/CurlInet.h"
#include "tests/http/LoopbackServer.h"
#include "tests/support/RecordingWindowServices.h"

namespace sonivo {
namespace {

using testing::answer;
using testing::answer_bytes;
using testing::ClientConnection;
using testing::Gate;
using testing::LoopbackServer;
using testing::ReceivedRequest;

std::string default_block(const std::string& prepared) {
  return std::string(DEFAULT_ACCEPT_LINE) + "Referer: " + prepared + "\r\n" +
         "Accept-Language: zh-cn\r\n";
}

class FetchPageOnTheWire : public ::testing::Test {
 protected:
  FetchPageOnTheWire() : layer(InetSettings{{5000, 5000}, "", 10}) {
    install_inet(&layer);
    cookie_store().clear();
  }
  ~FetchPageOnTheWire() override {
    install_inet(nullptr);
    cookie_store().clear();
  }

  static std::string fetch(const std::string& url, int method = 0, const std::string& proxy = "",
                           const std::string& headers = "", const std::string& post_data = "",
                           const std::string& cookies = "", Text* response_headers = nullptr) {
    return fetch_page(Text(url), method, Text(proxy), Text(headers), Text(post_data), Text(cookies),
                      0, response_headers)
        .data();
  }

  testing::RecordingWindowServices windows;
  CurlInet layer;
};

TEST_F(FetchPageOnTheWire, DefaultRequestCarriesExactlyTheFixedHeaderBlock) {
  LoopbackServer server(answer(200, "the page"));
  Text response_headers;
  std::string body = fetch(server.url("/p?q=1"), 0, "", "", "", "", &response_headers);

  EXPECT_EQ(body, "the page");
  ASSERT_EQ(server.requests().size(), 1u);
  const ReceivedRequest request = server.requests()[0];
  EXPECT_EQ(request.head, "GET /p?q=1 HTTP/1.1\r\nHost: " + server.address("") +
                              "\r\nUser-Agent: " + std::string(FETCH_USER_AGENT) + "\r\n" +
                              default_block(server.url("/p?q=1")) + "\r\n");
  EXPECT_TRUE(request.body.empty());
  EXPECT_EQ(response_headers.str(),
            "HTTP/1.1 200 OK\r\nContent-Length: 8\r\nConnection: close\r\n\r\n");
}

TEST_F(FetchPageOnTheWire, TrimmedAddressWithoutSchemeGetsHttpAndItsReferer) {
  LoopbackServer server(answer(200, "ok"));
  EXPECT_EQ(fetch(" " + server.address("/c") + " "), "ok");
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].request_line(), "GET /c HTTP/1.1");
  EXPECT_EQ(server.requests()[0].header("Referer"), server.url("/c"));
}

TEST_F(FetchPageOnTheWire, CallersHeadersShapeTheBlockThatArrives) {
  LoopbackServer server(answer(200, "ok"));
  const std::string accept(DEFAULT_ACCEPT_LINE.substr(0, DEFAULT_ACCEPT_LINE.size() - 2));
  fetch(server.url("/a"), 0, "", "accept: text/html\r\n");
  fetch(server.url("/b"), 0, "", "X-Accept: 1\r\n");
  fetch(server.url("/c"), 0, "", "X-A: 1");
  fetch(server.url("/d"), 0, "", "", "", "a=1");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].header("Accept"), "text/html");
  EXPECT_EQ(requests[0].head.find("image/gif"), std::string::npos);
  EXPECT_FALSE(requests[1].has_header("Accept"));  // not even a transport default
  EXPECT_EQ(requests[1].header("X-Accept"), "1");
  EXPECT_EQ(requests[2].header("X-A"), "1" + accept);
  EXPECT_FALSE(requests[2].has_header("Accept"));
  EXPECT_EQ(requests[3].header("Cookie"), "a=1");
  EXPECT_TRUE(requests[3].head.ends_with("Accept-Language: zh-cn\r\nCookie: a=1\r\n\r\n"));
}

TEST_F(FetchPageOnTheWire, PostCarriesTheFormBodyAndItsLength) {
  LoopbackServer server(answer(200, "posted"));
  EXPECT_EQ(fetch(server.url("/f"), 1, "", "", "a=1&b=2"), "posted");
  EXPECT_EQ(fetch(server.url("/g"), 1), "posted");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].request_line(), "POST /f HTTP/1.1");
  EXPECT_EQ(requests[0].header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(requests[0].header("Content-Length"), "7");
  EXPECT_EQ(requests[0].body, "a=1&b=2");
  EXPECT_FALSE(requests[0].has_header("Expect"));
  EXPECT_EQ(requests[1].request_line(), "POST /g HTTP/1.1");
  EXPECT_FALSE(requests[1].has_header("Content-Type"));
  // The transport states the empty body's length, as a POST without a body needs.
  EXPECT_EQ(requests[1].header("Content-Length"), "0");
  EXPECT_TRUE(requests[1].body.empty());
}

TEST_F(FetchPageOnTheWire, BlanksOnlyProxyConnectsDirect) {
  LoopbackServer server(answer(200, "direct"));
  EXPECT_EQ(fetch(server.url("/x"), 0, "  \xA1\xA1"), "direct");
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].request_line(), "GET /x HTTP/1.1");
}

TEST_F(FetchPageOnTheWire, ProxyReceivesTheRequestForTheTarget) {
  LoopbackServer target(answer(200, "from the target"));
  LoopbackServer proxy(answer(200, "from the proxy"));
  EXPECT_EQ(fetch(target.url("/x?y=1"), 0, proxy.address("")), "from the proxy");
  EXPECT_TRUE(target.requests().empty());
  ASSERT_EQ(proxy.requests().size(), 1u);
  const ReceivedRequest request = proxy.requests()[0];
  EXPECT_EQ(request.request_line(), "GET " + target.url("/x?y=1") + " HTTP/1.1");
  EXPECT_EQ(request.header("Host"), target.address(""));
  EXPECT_EQ(request.header("Referer"), target.url("/x?y=1"));
  EXPECT_EQ(request.header("User-Agent"), FETCH_USER_AGENT);
}

TEST_F(FetchPageOnTheWire, CookiesSetByAnAnswerAreSentWithTheNextFetch) {
  LoopbackServer server([](ClientConnection& connection, const ReceivedRequest& request) {
    if (request.request_line().starts_with("GET /login")) {
      connection.send(
          answer_bytes(200, "welcome", "Set-Cookie: sid=42; path=/\r\nSet-Cookie: flag\r\n"));
    } else {
      connection.send(answer_bytes(200, "again"));
    }
  });
  EXPECT_EQ(fetch(server.url("/login")), "welcome");
  ASSERT_EQ(cookie_store().cookies().size(), 2u);
  EXPECT_EQ(cookie_store().cookies()[0].name, "sid");
  EXPECT_EQ(cookie_store().cookies()[0].value, "42");
  EXPECT_EQ(cookie_store().cookies()[0].path, "/");
  EXPECT_EQ(cookie_store().cookies()[0].domain, "127.0.0.1");
  EXPECT_EQ(cookie_store().cookies()[1].name, "");
  EXPECT_EQ(cookie_store().cookies()[1].value, "flag");

  EXPECT_EQ(fetch(server.url("/later/page")), "again");
  EXPECT_EQ(fetch(server.url("/mine"), 0, "", "", "", "a=1"), "again");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_FALSE(requests[0].has_header("Cookie"));
  EXPECT_EQ(requests[1].header("Cookie"), "sid=42; flag");
  EXPECT_EQ(requests[2].header("Cookie"), "a=1; sid=42; flag");  // one line, caller's first
}

TEST_F(FetchPageOnTheWire, ErrorStatusReturnsItsBody) {
  LoopbackServer server(answer(404, "no such page"));
  Text response_headers;
  EXPECT_EQ(fetch(server.url("/gone"), 0, "", "", "", "", &response_headers), "no such page");
  EXPECT_TRUE(response_headers.str().starts_with("HTTP/1.1 404 Not Found\r\n"));
}

TEST_F(FetchPageOnTheWire, ConnectionClosedMidBodyReturnsTheBytesSoFar) {
  const std::string part(3000, 'p');
  LoopbackServer server([&](ClientConnection& connection, const ReceivedRequest&) {
    connection.send("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" + part);
  });
  EXPECT_EQ(fetch(server.url("/cut")), part);
}

TEST_F(FetchPageOnTheWire, GetFollowsRedirectsAndPostKeepsTheAnswer) {
  LoopbackServer server([](ClientConnection& connection, const ReceivedRequest& request) {
    if (request.request_line().find(" /old ") != std::string::npos) {
      connection.send(answer_bytes(302, "moved", "Location: /new\r\n"));
    } else {
      connection.send(answer_bytes(200, "new place"));
    }
  });
  Text response_headers;
  EXPECT_EQ(fetch(server.url("/old"), 0, "", "", "", "", &response_headers), "new place");
  EXPECT_TRUE(response_headers.str().starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(fetch(server.url("/old"), 1, "", "", "x=1"), "moved");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[1].request_line(), "GET /new HTTP/1.1");
  EXPECT_EQ(requests[1].header("Referer"), server.url("/old"));
}

TEST_F(FetchPageOnTheWire, SilentServerEndsWithEmptyBytesAtTheReceiveTimeOut) {
  CurlInet impatient(InetSettings{{2000, 300}, "", 10});
  install_inet(&impatient);
  Gate release;
  std::atomic<bool> server_gave_up{false};
  LoopbackServer server([&](ClientConnection&, const ReceivedRequest&) {
    release.wait(30000);
    server_gave_up = true;
  });
  Text response_headers;
  std::string body = fetch(server.url("/wait"), 0, "", "", "", "", &response_headers);
  bool ended_by_client = !server_gave_up;
  release.open();
  EXPECT_TRUE(body.empty());
  EXPECT_TRUE(ended_by_client);
  EXPECT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(response_headers.str(), std::string(RAW_HEADER_CAPACITY, ' '));
}

TEST_F(FetchPageOnTheWire, PumpRunsDuringASlowBodyAndANestedFetchCompletesOnItsOwn) {
  const std::string first(1500, 'a');
  const std::string rest(2500, 'z');
  Gate nested_done;
  std::atomic<bool> first_sent{false};
  std::atomic<bool> rest_sent{false};
  LoopbackServer slow([&](ClientConnection& connection, const ReceivedRequest&) {
    first_sent = true;  // before the bytes, so no pump after them can miss it
    connection.send("HTTP/1.1 200 OK\r\nContent-Length: 4000\r\n\r\n" + first);
    nested_done.wait(10000);
    rest_sent = true;
    connection.send(rest);
  });
  LoopbackServer fast(answer(200, "inner page"));

  int pumps = 0;
  int pumps_mid_body = 0;
  bool inside = false;
  std::string nested;
  windows.on_pump = [&] {
    ++pumps;
    if (inside) {
      return;  // the nested fetch pumps too
    }
    if (first_sent && !rest_sent) {
      ++pumps_mid_body;
    }
    if (first_sent && nested.empty()) {
      inside = true;
      nested = fetch(fast.url("/inner"));
      inside = false;
      nested_done.open();
    }
  };
  std::string outer = fetch(slow.url("/slow"));

  EXPECT_EQ(outer, first + rest);
  EXPECT_EQ(nested, "inner page");
  EXPECT_GE(pumps_mid_body, 1);
  // One pump before every read: 4000 bytes take at least four reads and the final one.
  EXPECT_GE(pumps, 5 + 2);
  EXPECT_EQ(fast.requests().size(), 1u);
}

TEST_F(FetchPageOnTheWire, EndlessBodyStopsAtTheLimit) {
  set_fetch_body_limit(200000);
  LoopbackServer server([](ClientConnection& connection, const ReceivedRequest&) {
    if (!connection.send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")) {
      return;
    }
    const std::string chunk(65536, 'e');
    for (int sent = 0; sent < 4096 && !connection.server().stopping(); ++sent) {
      if (!connection.send(chunk)) {
        return;  // the reader has gone
      }
    }
  });
  std::string body = fetch(server.url("/endless"));
  set_fetch_body_limit(0);
  EXPECT_EQ(body, std::string(200000, 'e'));
}

}  // namespace
}  // namespace sonivo
