#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/inet/RawHeaderBlock.h"

namespace sonivo {
namespace {

TEST(StatusCode, Table) {
  struct Case {
    std::string line;
    long code;
  };
  const std::vector<Case> cases = {
      {"HTTP/1.1 206 Partial Content", 206},
      {"HTTP/1.0 404", 404},
      {"HTTP/2 200", 200},
      {"HTTP/1.1  301 Moved", 301},
      {"HTTP/1.1", 0},
      {"HTTP/1.1 ", 0},
      {"HTTP/1.1 abc", 0},
      {"HTTP/1.1 -5", 0},
      {"HTTP/1.1 99999999999999999999999", 999},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(status_code_of(c.line), c.code) << c.line;
  }
}

// libcurl's header line has no terminator: the digits that follow the line in memory are
// not part of it. A heap block of exactly the line's size lets AddressSanitizer see any
// read beyond it.
TEST(StatusCode, ReadsOnlyTheLinesOwnBytes) {
  EXPECT_EQ(status_code_of(std::string_view("HTTP/1.1 206 OK").substr(0, 11)), 20);
  const std::string line = "HTTP/1.1 2";
  auto exact = std::make_unique<char[]>(line.size());
  std::copy(line.begin(), line.end(), exact.get());
  EXPECT_EQ(status_code_of(std::string_view(exact.get(), line.size())), 2);
}

TEST(RawHeaderBlock, KeepsTheFinalAnswersLinesOnly) {
  RawHeaderBlock block;
  for (const char* line : {"HTTP/1.1 100 Continue\r\n", "\r\n", "HTTP/1.1 302 Found\r\n",
                           "Location: /x\r\n", "\r\n"}) {
    block.add_line(line);
  }
  // A redirect's empty line ends its block, as the final answer's would.
  EXPECT_TRUE(block.complete());
  EXPECT_EQ(block.status(), 302);

  RawHeaderBlock followed;
  for (const char* line : {"HTTP/1.1 100 Continue\r\n", "\r\n", "HTTP/1.1 200 OK\r\n",
                           "Content-Type: text/html\n", "Set-Cookie: a=1\r\n"}) {
    followed.add_line(line);
  }
  EXPECT_FALSE(followed.complete());
  EXPECT_EQ(followed.text(), "");
  followed.add_line("\r\n");
  EXPECT_TRUE(followed.complete());
  EXPECT_EQ(followed.status(), 200);
  EXPECT_EQ(followed.text(),
            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nSet-Cookie: a=1\r\n\r\n");
}

TEST(RawHeaderBlock, InterimAnswerIsNotTheBlock) {
  RawHeaderBlock block;
  block.add_line("HTTP/1.1 100 Continue\r\n");
  block.add_line("\r\n");
  EXPECT_FALSE(block.complete());
  EXPECT_EQ(block.status(), 100);
}

}  // namespace
}  // namespace sonivo
