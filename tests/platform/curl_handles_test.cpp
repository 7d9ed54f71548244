// libcurl's set-up and the owning handle types every curl user makes its handles with.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/curl/CurlGlobal.h"
#include "platform/curl/CurlHandles.h"

namespace sonivo {
namespace {

std::vector<std::string> lines_of(const CurlList& list) {
  std::vector<std::string> lines;
  for (const curl_slist* item = list.get(); item != nullptr; item = item->next) {
    lines.emplace_back(item->data);
  }
  return lines;
}

TEST(CurlGlobal, InitialisesOnceAndKeepsTheOutcome) {
  EXPECT_TRUE(initialise_curl());
  EXPECT_TRUE(initialise_curl());
}

TEST(CurlHandles, EveryKindIsMade) {
  EXPECT_NE(new_curl_easy(), nullptr);
  EXPECT_NE(new_curl_multi(), nullptr);
  EXPECT_NE(new_curl_share(), nullptr);
  EXPECT_NE(new_curl_url(), nullptr);
}

TEST(CurlList, AppendsCopiesInOrder) {
  CurlList list;
  EXPECT_EQ(lines_of(list), std::vector<std::string>{});
  std::string line = "Accept: */*";
  EXPECT_TRUE(append_line(list, line.c_str()));
  line = "Pragma: no-cache";
  EXPECT_TRUE(append_line(list, line.c_str()));
  line.clear();
  EXPECT_EQ(lines_of(list), (std::vector<std::string>{"Accept: */*", "Pragma: no-cache"}));
}

}  // namespace
}  // namespace sonivo
