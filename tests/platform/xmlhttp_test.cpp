// The ranged-request component against the loopback fault server.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/xmlhttp/ComponentRegistry.h"
#include "platform/xmlhttp/CurlServerXmlHttp.h"
#include "platform/xmlhttp/TransferError.h"
#include "platform/xmlhttp/WaitHook.h"
#include "tests/download/FaultServer.h"
#include "tests/support/LoopbackPorts.h"
#include "tests/support/TempFolder.h"
#include "text/Gbk.h"

namespace sonivo::xmlhttp {
namespace {

using sonivo::testing::closed_loopback_port;

using sonivo::testing::Fault;
using sonivo::testing::FaultServer;

constexpr int64_t CONTENT_SIZE = 50000;
const Text PROG_ID(SERVER_XML_HTTP_PROG_ID);

void get_range(ServerXmlHttp& http, const std::string& url, const std::string& range) {
  http.open(Text("GET"), Text(url), true);
  http.setRequestHeader(Text("Range"), Text(range));
  http.send();
}

bool wait_done(ServerXmlHttp& http) {
  for (int i = 0; i < 20 && http.readyState() != 4; ++i) {
    http.waitForResponse(1000);
  }
  return http.readyState() == 4;
}

TEST(ComponentRegistryTest, CreatesOurComponentByProgIdOnly) {
  auto& registry = ComponentRegistry::instance();
  EXPECT_NE(registry.create(PROG_ID), nullptr);
  EXPECT_NE(registry.create(Text("msxml2.serverxmlhttp")), nullptr);  // ProgIDs ignore case
  EXPECT_EQ(registry.create(Text("MSXML2.XMLHTTP")), nullptr);
  EXPECT_EQ(registry.create(Text()), nullptr);
}

TEST(ComponentRegistryTest, RefusingRegistryCreatesNothingUntilRestored) {
  auto& registry = ComponentRegistry::instance();
  registry.set_refusing(true);
  EXPECT_EQ(create_component(PROG_ID), nullptr);
  registry.restore_defaults();
  EXPECT_NE(create_component(PROG_ID), nullptr);
}

TEST(ComponentRegistryTest, FactoryStandsInForAProgIdUntilRestored) {
  auto& registry = ComponentRegistry::instance();
  auto stand_in = std::make_shared<CurlServerXmlHttp>();
  registry.register_factory(PROG_ID, [stand_in] { return stand_in; });
  EXPECT_EQ(create_component(PROG_ID), stand_in);
  registry.restore_defaults();
  EXPECT_NE(create_component(PROG_ID), stand_in);
}

TEST(ComponentRegistryTest, CopiesOfTheHolderShareOneInstance) {
  ComponentRef first = create_component(PROG_ID);
  ComponentRef second = first;
  EXPECT_EQ(first.get(), second.get());
  EXPECT_EQ(first.use_count(), 2);
  first.reset();
  EXPECT_EQ(second.use_count(), 1);
}

class ComponentTest : public ::testing::Test {
 protected:
  std::string content = FaultServer::pattern(0, CONTENT_SIZE);
  FaultServer server{content};
  CurlServerXmlHttp http;
};

TEST_F(ComponentTest, RangedGetGivesStatusReasonHeaderAndBody) {
  http.open(Text("GET"), Text(server.url()), true);
  http.setRequestHeader(Text("Referer"), Text("http://127.0.0.1/page"));
  http.setRequestHeader(Text("Accept"), Text("*/*"));
  http.setRequestHeader(Text("Range"), Text("bytes=100-299"));
  http.send();
  ASSERT_TRUE(wait_done(http));

  EXPECT_EQ(http.status(), 206);
  EXPECT_EQ(http.statusText(), Text("Partial Content"));
  EXPECT_EQ(http.responseBody().data(), content.substr(100, 200));
  EXPECT_EQ(http.getResponseHeader(Text("content-range")), Text("bytes 100-299/50000"));
  EXPECT_EQ(http.getResponseHeader(Text("X-Missing")), Text());

  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/file.bin");
  EXPECT_EQ(requests[0].headers.at("range"), "bytes=100-299");
  EXPECT_EQ(requests[0].headers.at("referer"), "http://127.0.0.1/page");
  EXPECT_EQ(requests[0].headers.at("accept"), "*/*");
  // An answer to a range is appended as it comes: it must not be compressed.
  EXPECT_EQ(requests[0].headers.count("accept-encoding"), 0u);
}

TEST_F(ComponentTest, HeaderWithEmptyValueIsNotSentAndLaterValueReplaces) {
  http.open(Text("GET"), Text(server.url()), true);
  http.setRequestHeader(Text("Referer"), Text());
  http.setRequestHeader(Text("Pragma"), Text("first"));
  http.setRequestHeader(Text("pragma"), Text("no-cache"));
  http.send();
  ASSERT_TRUE(wait_done(http));
  const auto headers = server.requests().at(0).headers;
  EXPECT_EQ(headers.count("referer"), 0u);
  EXPECT_EQ(headers.at("pragma"), "no-cache");
}

TEST_F(ComponentTest, SendReturnsAtOnceAndNothingShowsBeforeTheAnswer) {
  server.set_fault(Fault::Stall);
  EXPECT_EQ(http.readyState(), 0);
  http.open(Text("GET"), Text(server.url()), true);
  EXPECT_EQ(http.readyState(), 1);
  http.setRequestHeader(Text("Range"), Text("bytes=0-20479"));
  http.send();  // the server holds its answer back, yet send has returned

  EXPECT_FALSE(http.waitForResponse(200));
  const double state = http.readyState();
  EXPECT_TRUE(state == 2 || state == 3) << state;
  EXPECT_EQ(http.status(), 0);
  EXPECT_EQ(http.statusText(), Text());
  EXPECT_TRUE(http.responseBody().empty());
  EXPECT_EQ(http.getResponseHeader(Text("Content-Range")), Text());

  http.abort();
  EXPECT_EQ(http.readyState(), 0);
  EXPECT_FALSE(http.waitForResponse(10));
}

// The waiting thread's own work: the hook runs before each block of a wait that is not
// over, on the waiting thread, and the block lasts no longer than the hook asks.
TEST_F(ComponentTest, WaitHookRunsWhileAnAnswerIsAwaitedAsOftenAsItAsks) {
  server.set_fault(Fault::Stall);
  const std::thread::id waiting_thread = std::this_thread::get_id();
  struct Case {
    int wanted_ms;
    int min_calls;
    int max_calls;
  };
  // 300 ms of waiting: slices of 20 ms make about 15 calls (fewer if the machine is slow
  // to wake us, a few more as the stalled answer trickles in); no limit leaves one block
  // of the whole wait, cut only by what arrives.
  for (const Case& c : {Case{20, 5, 40}, Case{-1, 1, 5}}) {
    SCOPED_TRACE(c.wanted_ms);
    int calls = 0;
    bool on_waiting_thread = true;
    set_wait_hook([&] {
      ++calls;
      on_waiting_thread = on_waiting_thread && std::this_thread::get_id() == waiting_thread;
      return c.wanted_ms;
    });
    get_range(http, server.url(), "bytes=0-20479");
    EXPECT_FALSE(http.waitForResponse(300));
    set_wait_hook({});
    EXPECT_GE(calls, c.min_calls);
    EXPECT_LE(calls, c.max_calls);
    EXPECT_TRUE(on_waiting_thread);
    http.abort();
  }
}

TEST_F(ComponentTest, AnsweredRequestDoesNotRunTheWaitHook) {
  int calls = 0;
  set_wait_hook([&] {
    ++calls;
    return -1;
  });
  get_range(http, server.url(), "bytes=0-20479");
  ASSERT_TRUE(wait_done(http));
  const int calls_while_waiting = calls;
  EXPECT_TRUE(http.waitForResponse(1000));  // over already: nothing to wait for
  set_wait_hook({});
  EXPECT_EQ(calls, calls_while_waiting);
  EXPECT_EQ(http.status(), 206);
}

TEST_F(ComponentTest, OneConnectionServesEveryRequest) {
  for (int i = 0; i < 5; ++i) {
    const int first = i * 1000;
    get_range(http, server.url(),
              "bytes=" + std::to_string(first) + "-" + std::to_string(first + 999));
    ASSERT_TRUE(wait_done(http));
    EXPECT_EQ(http.responseBody().data(), content.substr(static_cast<std::size_t>(first), 1000));
  }
  EXPECT_EQ(server.connections(), 1);
  for (const auto& request : server.requests()) {
    EXPECT_EQ(request.connection, 1);
  }
}

TEST_F(ComponentTest, ErrorStatusKeepsReasonPhraseAndBody) {
  server.set_fault(Fault::NotFound404);
  get_range(http, server.url(), "bytes=0-99");
  ASSERT_TRUE(wait_done(http));
  EXPECT_EQ(http.status(), 404);
  EXPECT_EQ(http.statusText(), Text("File Not Here"));
  EXPECT_EQ(http.responseBody().data(), "<html><body>not here</body></html>");
}

// A server that ignores the Range sends the whole file: the component keeps its status
// and reason phrase but not the body beyond its limit, and the next request still works.
TEST_F(ComponentTest, WholeFileAnswerBeyondTheLimitKeepsStatusNotBody) {
  CurlServerXmlHttp::set_max_kept_body(4096);
  server.set_fault(Fault::Whole200);
  get_range(http, server.url(), "bytes=0-99");
  ASSERT_TRUE(wait_done(http));
  EXPECT_EQ(http.readyState(), 4);
  EXPECT_EQ(http.status(), 200);
  EXPECT_EQ(http.statusText(), Text("OK"));
  EXPECT_TRUE(http.responseBody().empty());

  server.clear_faults();
  get_range(http, server.url(), "bytes=0-99");
  ASSERT_TRUE(wait_done(http));
  EXPECT_EQ(http.status(), 206);
  EXPECT_EQ(http.responseBody().data(), content.substr(0, 100));
  CurlServerXmlHttp::set_max_kept_body(0);
}

TEST_F(ComponentTest, SynchronousSendReturnsWithTheAnswer) {
  http.open(Text("GET"), Text(server.url()), false);
  http.setRequestHeader(Text("Range"), Text("bytes=0-9"));
  http.send();
  EXPECT_EQ(http.readyState(), 4);
  EXPECT_EQ(http.responseBody().data(), content.substr(0, 10));
}

// A transfer error completes the request with a status that names it and no body.
TEST_F(ComponentTest, DroppedConnectionShowsAbortedAndNoPartialBody) {
  server.set_fault(Fault::DropMidBody);
  get_range(http, server.url(), "bytes=0-20479");
  ASSERT_TRUE(wait_done(http));
  EXPECT_EQ(http.status(), ERROR_CONNECTION_ABORTED);
  EXPECT_EQ(http.statusText(), gbk("与服务器的连接已中断"));
  EXPECT_TRUE(http.responseBody().empty());
  EXPECT_EQ(http.getResponseHeader(Text("Content-Range")), Text());

  // The same object goes on with a fresh connection.
  server.clear_faults();
  get_range(http, server.url(), "bytes=0-9");
  ASSERT_TRUE(wait_done(http));
  EXPECT_EQ(http.status(), 206);
  EXPECT_EQ(server.connections(), 2);
}

TEST(ComponentErrorTest, RefusedConnectionShowsCannotConnect) {
  CurlServerXmlHttp http;
  get_range(http, "http://127.0.0.1:" + std::to_string(closed_loopback_port()) + "/x", "bytes=0-9");
  ASSERT_TRUE(wait_done(http));
  EXPECT_EQ(http.status(), ERROR_CANNOT_CONNECT);
  EXPECT_EQ(http.statusText(), gbk("无法连接到服务器"));
  EXPECT_TRUE(http.responseBody().empty());
}

TEST(ComponentErrorTest, TransferErrorsMapToStatusAndText) {
  struct Case {
    CURLcode result;
    int32_t status;
    const char* text;
  };
  const Case cases[] = {
      {CURLE_COULDNT_RESOLVE_HOST, ERROR_NAME_NOT_RESOLVED, "无法解析服务器的名称"},
      {CURLE_COULDNT_CONNECT, ERROR_CANNOT_CONNECT, "无法连接到服务器"},
      {CURLE_PARTIAL_FILE, ERROR_CONNECTION_ABORTED, "与服务器的连接已中断"},
      {CURLE_RECV_ERROR, ERROR_CONNECTION_ABORTED, "与服务器的连接已中断"},
      {CURLE_GOT_NOTHING, ERROR_CONNECTION_ABORTED, "与服务器的连接已中断"},
      {CURLE_OPERATION_TIMEDOUT, ERROR_TIMEOUT, "服务器响应超时"},
      {CURLE_URL_MALFORMAT, ERROR_INVALID_URL, "网址格式不正确"},
      {CURLE_UNSUPPORTED_PROTOCOL, ERROR_UNRECOGNIZED_SCHEME, "网址的协议无法识别"},
      {CURLE_WEIRD_SERVER_REPLY, ERROR_INVALID_SERVER_RESPONSE, "服务器的响应无效"},
  };
  for (const auto& c : cases) {
    const TransferError error = transfer_error_of(c.result);
    EXPECT_EQ(error.status, c.status) << c.result;
    EXPECT_EQ(error.status_text, gbk(c.text)) << c.result;
    EXPECT_GT(error.status, 299);  // so that a caller never takes it for an answer
  }
}

TEST(ComponentErrorTest, UnsupportedSchemeCompletesWithItsError) {
  CurlServerXmlHttp http;
  get_range(http, "gopherx://127.0.0.1/x", "bytes=0-9");
  ASSERT_TRUE(wait_done(http));
  EXPECT_EQ(http.status(), ERROR_UNRECOGNIZED_SCHEME);
}

// An address cut out of a web page must not make the component read local files or
// speak other protocols: only HTTP and HTTPS are fetched.
TEST(ComponentErrorTest, SchemesOtherThanHttpAreRefused) {
  sonivo::testing::TempFolder folder;
  const std::filesystem::path secret = folder.path() / "secret.txt";
  std::ofstream(secret) << "local bytes";
  for (const std::string& url :
       {"file://" + secret.string(), std::string("dict://127.0.0.1:1/x")}) {
    SCOPED_TRACE(url);
    CurlServerXmlHttp http;
    get_range(http, url, "bytes=0-9");
    ASSERT_TRUE(wait_done(http));
    EXPECT_EQ(http.status(), ERROR_UNRECOGNIZED_SCHEME);
    EXPECT_TRUE(http.responseBody().empty());
  }
}

TEST(ComponentErrorTest, CallsInTheWrongStateAreIgnored) {
  CurlServerXmlHttp http;
  http.setRequestHeader(Text("Range"), Text("bytes=0-9"));  // before open
  http.send();                                              // before open
  http.abort();
  EXPECT_EQ(http.readyState(), 0);
  EXPECT_FALSE(http.waitForResponse(10));
  EXPECT_EQ(http.status(), 0);
}

}  // namespace
}  // namespace sonivo::xmlhttp
