// What fetch_page passes to the internet layer, in which order, recorded call by call.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "http/FetchPage.h"
#include "tests/http/RecordingInet.h"
#include "tests/support/RecordingWindowServices.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

using ::testing::ElementsAre;
using testing::RecordingInet;
using testing::RecordingWindowServices;

const std::string OK_HEADERS = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n";

std::string default_block(const std::string& prepared) {
  return std::string(DEFAULT_ACCEPT_LINE) + "Referer: " + prepared + "\r\n" +
         "Accept-Language: zh-cn\r\n";
}

class FetchPageCalls : public ::testing::Test {
 protected:
  FetchPageCalls() {
    windows.on_pump = [this] { layer.calls.push_back("pump"); };
  }
  RecordingWindowServices windows;
  RecordingInet layer;
};

TEST_F(FetchPageCalls, DefaultFetchPassesExactlyTheFixedArgumentsInOrder) {
  layer.body = "hello";
  layer.raw_headers = OK_HEADERS;
  Text response_headers;
  Bytes body =
      fetch_page(Text("http://a.b/c?d"), 0, Text(), Text(), Text(), Text(), 0, &response_headers);

  EXPECT_EQ(body.data(), "hello");
  EXPECT_EQ(response_headers.str(), OK_HEADERS);
  EXPECT_THAT(layer.calls,
              ElementsAre("open", "connect", "open_request", "send", "pump", "read", "pump", "read",
                          "query", "close 33", "close 22", "close 11"));
  ASSERT_EQ(layer.opens.size(), 1u);
  EXPECT_EQ(layer.opens[0].agent, std::string(FETCH_USER_AGENT));
  EXPECT_EQ(layer.opens[0].access_type, INTERNET_OPEN_TYPE_DIRECT);
  EXPECT_EQ(layer.opens[0].proxy, std::nullopt);
  EXPECT_EQ(layer.opens[0].bypass, std::nullopt);
  EXPECT_EQ(layer.opens[0].flags, 0u);

  const testing::ConnectCall& connect = layer.connects.at(0);
  EXPECT_EQ(connect.internet, RecordingInet::INTERNET);
  EXPECT_EQ(connect.server, "a.b");
  EXPECT_EQ(connect.port, 80);
  EXPECT_FALSE(connect.user);
  EXPECT_FALSE(connect.password);
  EXPECT_EQ(connect.service, INTERNET_SERVICE_HTTP);
  EXPECT_EQ(connect.flags, 0u);

  const testing::OpenRequestCall& request = layer.requests.at(0);
  EXPECT_EQ(request.connection, RecordingInet::CONNECTION);
  EXPECT_EQ(request.verb, "GET");
  EXPECT_EQ(request.object_name, "/c?d");
  EXPECT_EQ(request.version, "HTTP/1.1");
  EXPECT_FALSE(request.referrer);
  EXPECT_FALSE(request.accept_types);
  EXPECT_EQ(request.flags, INTERNET_FLAG_RELOAD);

  const testing::SendCall& send = layer.sends.at(0);
  EXPECT_EQ(send.request, RecordingInet::REQUEST);
  EXPECT_EQ(send.headers, default_block("http://a.b/c?d"));
  EXPECT_EQ(send.headers_length, 220u + std::string("http://a.b/c?d").size());
  EXPECT_EQ(send.body, std::nullopt);
  EXPECT_EQ(send.body_length, 0u);

  EXPECT_THAT(layer.read_sizes, ElementsAre(1024u, 1024u));
  ASSERT_EQ(layer.queries.size(), 1u);
  EXPECT_EQ(layer.queries[0].info_level, HTTP_QUERY_RAW_HEADERS_CRLF);
  EXPECT_EQ(layer.queries[0].length, 2048u);
  EXPECT_FALSE(layer.queries[0].index);
  EXPECT_TRUE(layer.cookies.empty());
}

TEST_F(FetchPageCalls, AbsentMethodAndMethodZeroBothGet) {
  fetch_page(Text("a.b"));
  fetch_page(Text("a.b"), 0);
  ASSERT_EQ(layer.requests.size(), 2u);
  EXPECT_EQ(layer.requests[0].verb, "GET");
  EXPECT_EQ(layer.requests[1].verb, "GET");
}

struct AddressCase {
  const char* address;
  const char* prepared;
  const char* host;
  const char* path;
  InternetPort port;
};

TEST_F(FetchPageCalls, AddressIsTrimmedAndPreparedBeforeItIsSplit) {
  const AddressCase cases[] = {
      {" a.b/c ", "http://a.b/c", "a.b", "/c", 80},
      {"\xA1\xA1"
       "a.b:81/c\xA1\xA1",
       "http://a.b:81/c", "a.b", "/c", 81},
      {"HTTP://a.b/x", "http://HTTP://a.b/x", "http", "//HTTP://a.b/x", 0},
      {"http://A.B/X", "http://A.B/X", "a.b", "/X", 80},
  };
  for (const AddressCase& c : cases) {
    RecordingInet fresh;
    fetch_page(Text(c.address));
    SCOPED_TRACE(c.address);
    EXPECT_EQ(fresh.connects.at(0).server, c.host);
    EXPECT_EQ(fresh.connects.at(0).port, c.port);
    EXPECT_EQ(fresh.requests.at(0).object_name, c.path);
    EXPECT_EQ(fresh.sends.at(0).headers, default_block(c.prepared));
  }
}

TEST_F(FetchPageCalls, HttpsGoesSecureToPort443UnlessTheAddressNamesAPort) {
  const AddressCase cases[] = {
      {"https://a.b/x", "https://a.b/x", "a.b", "/x", 443},
      {"https://a.b:8443/x", "https://a.b:8443/x", "a.b", "/x", 8443},
      {"https://a.b", "https://a.b", "a.b", "/", 443},
  };
  for (const AddressCase& c : cases) {
    RecordingInet fresh;
    fetch_page(Text(c.address));
    SCOPED_TRACE(c.address);
    EXPECT_EQ(fresh.connects.at(0).server, c.host);
    EXPECT_EQ(fresh.connects.at(0).port, c.port);
    EXPECT_EQ(fresh.requests.at(0).object_name, c.path);
    EXPECT_EQ(fresh.requests.at(0).flags, INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE);
    EXPECT_EQ(fresh.sends.at(0).headers, default_block(c.prepared));
  }
}

struct BlockCase {
  const char* name;
  int method;
  const char* headers;
  const char* post_data;
  const char* cookies;
  std::string block;
  std::optional<std::string> body;
};

void PrintTo(const BlockCase& c, std::ostream* out) {
  *out << c.name;
}

class HeaderBlock : public FetchPageCalls, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(HeaderBlock, FollowsTheCallersTextsAndTheVerb) {
  const BlockCase& c = GetParam();
  fetch_page(Text("a.b"), c.method, Text(), Text(c.headers), Text(c.post_data), Text(c.cookies));
  ASSERT_EQ(layer.sends.size(), 1u);
  EXPECT_EQ(layer.requests.at(0).verb, c.method == 1 ? "POST" : "GET");
  EXPECT_EQ(layer.sends[0].headers, c.block);
  EXPECT_EQ(layer.sends[0].body, c.body);
  EXPECT_EQ(layer.sends[0].body_length, c.body ? c.body->size() : 0u);
}

const std::string REFERER = "Referer: http://a.b\r\n";
const std::string LANGUAGE = "Accept-Language: zh-cn\r\n";
const std::string ACCEPT(DEFAULT_ACCEPT_LINE);
const std::string FORM = "Content-Type: application/x-www-form-urlencoded\r\n";

INSTANTIATE_TEST_SUITE_P(
    FetchPageCalls, HeaderBlock,
    ::testing::Values(
        BlockCase{"LowerCaseAcceptLine", 0, "accept: text/html\r\n", "", "",
                  "accept: text/html\r\n" + REFERER + LANGUAGE, std::nullopt},
        BlockCase{"AcceptInsideALongerName", 0, "X-Accept: 1\r\n", "", "",
                  "X-Accept: 1\r\n" + REFERER + LANGUAGE, std::nullopt},
        BlockCase{"NoLineEnd", 0, "X-A: 1", "", "", "X-A: 1" + ACCEPT + REFERER + LANGUAGE,
                  std::nullopt},
        BlockCase{"OwnRefererAndLanguage", 0, "referer: r\r\nACCEPT-LANGUAGE: en\r\n", "", "",
                  "referer: r\r\nACCEPT-LANGUAGE: en\r\n" + ACCEPT, std::nullopt},
        BlockCase{"GetWithCookies", 0, "", "ignored=1", "a=1",
                  ACCEPT + REFERER + LANGUAGE + "Cookie: a=1\r\n\r\n", std::nullopt},
        BlockCase{"PostWithABody", 1, "", "a=1&b=2", "",
                  ACCEPT + REFERER + LANGUAGE + FORM + "Content-Length: 7\r\n", "a=1&b=2"},
        BlockCase{"PostWithABodyAndCookies", 1, "", "a=1&b=2", "c=3",
                  ACCEPT + REFERER + LANGUAGE + FORM + "Content-Length: 7\r\nCookie: c=3\r\n\r\n",
                  "a=1&b=2"},
        BlockCase{"PostWithoutABody", 1, "", "", "", ACCEPT + REFERER + LANGUAGE, std::nullopt}),
    [](const ::testing::TestParamInfo<BlockCase>& param_info) { return param_info.param.name; });

TEST_F(FetchPageCalls, BlanksOnlyProxyIsDirectAndAnyOtherIsPassedAsItCame) {
  fetch_page(Text("a.b"), 0, Text(" \xA1\xA1 "));
  fetch_page(Text("a.b"), 0, Text(" 10.0.0.1:8080"));
  ASSERT_EQ(layer.opens.size(), 2u);
  EXPECT_EQ(layer.opens[0].access_type, INTERNET_OPEN_TYPE_DIRECT);
  EXPECT_EQ(layer.opens[0].proxy, std::nullopt);
  EXPECT_EQ(layer.opens[1].access_type, INTERNET_OPEN_TYPE_PROXY);
  EXPECT_EQ(layer.opens[1].proxy, std::string("http= 10.0.0.1:8080"));
  EXPECT_EQ(layer.opens[1].bypass, std::string(""));  // an empty list, not none
  EXPECT_EQ(layer.opens[1].agent, std::string(FETCH_USER_AGENT));
}

TEST_F(FetchPageCalls, RefusedMethodShowsTheNoticeOwnedByOurWindowAndSendsNothing) {
  const auto ours = static_cast<uint32_t>(getpid());
  windows.windows = {
      {101, true, ours + 1}, {102, false, ours}, {103, true, ours}, {104, true, ours}};
  for (int method : {2, -1}) {
    Text response_headers("untouched");
    Bytes body = fetch_page(Text("http://a.b/"), method, Text(), Text(), Text(), Text(), 0,
                            &response_headers);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(response_headers, Text("untouched"));
  }
  EXPECT_TRUE(layer.calls.empty());
  ASSERT_EQ(windows.message_boxes.size(), 2u);
  const testing::RecordedMessageBox& notice = windows.message_boxes[0];
  EXPECT_EQ(notice.text, gbk("【网页_访问】命令的第二个【访问方式】参数有误,请返回修改"));
  EXPECT_EQ(notice.title, gbk("友情提醒"));
  EXPECT_EQ(notice.flags, MB_ICONINFORMATION);
  EXPECT_EQ(notice.owner, 103u);
}

TEST_F(FetchPageCalls, HandleFailuresCloseWhatWasOpenedInReverseAndLeaveHeadersAlone) {
  struct Case {
    bool open, connect, request;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {true, false, false, {"open"}},
      {false, true, false, {"open", "connect", "close 11"}},
      {false, false, true, {"open", "connect", "open_request", "close 22", "close 11"}},
  };
  for (const Case& c : cases) {
    RecordingInet fresh;
    fresh.fail_open = c.open;
    fresh.fail_connect = c.connect;
    fresh.fail_open_request = c.request;
    fresh.body = "never read";
    Text response_headers("untouched");
    Bytes body = fetch_page(Text("a.b"), 0, Text(), Text(), Text(), Text(), 0, &response_headers);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(response_headers, Text("untouched"));
    EXPECT_EQ(fresh.calls, c.calls);
  }
}

TEST_F(FetchPageCalls, SetCookieLinesGoToTheStoreAsCut) {
  layer.raw_headers =
      "HTTP/1.1 200 OK\r\nSet-Cookie: sid=42; path=/\r\nset-cookie: flag\r\n"
      "X-Set-Cookie: q=1\r\nContent-Length: 0\r\n\r\n";
  fetch_page(Text("http://Host.Example:81/x"));
  ASSERT_EQ(layer.cookies.size(), 3u);
  EXPECT_EQ(layer.cookies[0].url, "http://host.example");
  EXPECT_EQ(layer.cookies[0].name, "sid");
  EXPECT_EQ(layer.cookies[0].data, "42; path=/");
  EXPECT_EQ(layer.cookies[1].url, "http://host.example");
  EXPECT_EQ(layer.cookies[1].name, "");
  EXPECT_EQ(layer.cookies[1].data, "flag");
  // The first 12 bytes of the line go, wherever the marker stood.
  EXPECT_EQ(layer.cookies[2].name, ": q");
  EXPECT_EQ(layer.cookies[2].data, "1");
  // Cookies are stored after the handles are closed.
  EXPECT_EQ(layer.calls[layer.calls.size() - 4], "close 11");
}

TEST_F(FetchPageCalls, FailedHeaderQueryLeavesTheSpacesAndStoresNoCookie) {
  layer.raw_headers =
      "HTTP/1.1 200 OK\r\nSet-Cookie: a=b\r\n" + std::string(2100, 'x') + "\r\n\r\n";
  Text response_headers;
  fetch_page(Text("a.b"), 0, Text(), Text(), Text(), Text(), 0, &response_headers);
  EXPECT_EQ(response_headers.str(), std::string(2048, ' '));
  EXPECT_TRUE(layer.cookies.empty());
}

// 1 and 2 turn the body into GBK, only as far as its first zero byte; every other number
// leaves it as it came.
struct ConversionCase {
  const char* name;
  int conversion;
  std::string body;
  std::string expected;
};

void PrintTo(const ConversionCase& c, std::ostream* out) {
  *out << c.name;
}

class BodyConversion : public FetchPageCalls,
                       public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(BodyConversion, TurnsTheBodyIntoGbkOnlyForOneAndTwo) {
  const ConversionCase& c = GetParam();
  layer.body = c.body;
  Bytes body = fetch_page(Text("a.b"), 0, Text(), Text(), Text(), Text(), c.conversion);
  EXPECT_EQ(body.data(), c.expected) << "conversion " << c.conversion;
}

INSTANTIATE_TEST_SUITE_P(
    FetchPageCalls, BodyConversion,
    ::testing::Values(ConversionCase{"OneFromUtf8", 1, "\xE4\xB8\x8B\xE8\xBD\xBD",
                                     gbk("下载").str()},
                      ConversionCase{"TwoFromBig5", 2, "\xA4\xA4\xA4\xE5", gbk("中文").str()},
                      ConversionCase{"ZeroLeavesTheBody", 0, "\xE4\xB8\x8B", "\xE4\xB8\x8B"},
                      ConversionCase{"ThreeLeavesTheBody", 3, "\xE4\xB8\x8B", "\xE4\xB8\x8B"},
                      ConversionCase{"OneStopsAtAZeroByte", 1, std::string("ab\0cd", 5), "ab"},
                      ConversionCase{"OneOfAnEmptyBody", 1, "", ""},
                      ConversionCase{"ZeroKeepsAZeroByte", 0, std::string("ab\0cd", 5),
                                     std::string("ab\0cd", 5)}),
    [](const ::testing::TestParamInfo<ConversionCase>& param_info) {
      return param_info.param.name;
    });

TEST_F(FetchPageCalls, BodyStopsAtTheLimitWithWhatWasRead) {
  set_fetch_body_limit(3000);
  layer.body = std::string(5000, 'b');
  Bytes body = fetch_page(Text("a.b"));
  set_fetch_body_limit(0);
  EXPECT_EQ(body.size(), 3000u);
  EXPECT_EQ(layer.read_sizes.size(), 3u);
  EXPECT_EQ(fetch_body_limit(), FETCH_BODY_LIMIT);
  EXPECT_EQ(FETCH_BODY_LIMIT, 256u * 1024 * 1024);
}

}  // namespace
}  // namespace sonivo
