// The downloader object: defaults, guards, configuration and life cycle.

#include <gtest/gtest.h>

#include "download/RangeDownloader.h"
#include "download/SharedDownloader.h"
#include "platform/xmlhttp/ComponentRegistry.h"

namespace sonivo {
namespace {

void progress_a(const Text&, int32_t, int32_t, int32_t) {}
void done_a(const Text&, int32_t, const Text&, int32_t) {}
void progress_b(const Text&, int32_t, int32_t, int32_t) {}
void done_b(const Text&, int32_t, const Text&, int32_t) {}

void expect_as_created(const RangeDownloader& d) {
  EXPECT_EQ(d.http_object(), nullptr);
  EXPECT_EQ(d.initialized(), 0);
  EXPECT_EQ(d.url(), Text());
  EXPECT_EQ(d.referer(), Text());
  EXPECT_EQ(d.timeout_ms(), 0);
  EXPECT_EQ(d.status_text(), Text());
  EXPECT_EQ(d.target_file(), Text());
  EXPECT_EQ(d.busy(), 0);
  EXPECT_EQ(d.position(), 0);
  EXPECT_EQ(d.on_progress(), nullptr);
  EXPECT_EQ(d.on_done(), nullptr);
  EXPECT_EQ(d.total_length(), 0);
  EXPECT_EQ(d.cancel_requested(), 0);
  EXPECT_EQ(d.chunk_size(), 0);
}

class RangeDownloaderTest : public ::testing::Test {
 protected:
  void TearDown() override { xmlhttp::ComponentRegistry::instance().restore_defaults(); }
  RangeDownloader d;
};

TEST_F(RangeDownloaderTest, StartsWithEveryFieldZeroOrEmpty) {
  expect_as_created(d);
}

TEST_F(RangeDownloaderTest, InitCreatesTheComponentAndSetsDefaults) {
  ASSERT_TRUE(d.init(progress_a, done_a));
  EXPECT_NE(d.http_object(), nullptr);
  EXPECT_EQ(d.initialized(), 1);
  EXPECT_EQ(d.on_progress(), &progress_a);
  EXPECT_EQ(d.on_done(), &done_a);
  EXPECT_EQ(d.chunk_size(), 10240);
  EXPECT_EQ(d.timeout_ms(), 102400);
  EXPECT_EQ(d.busy(), 0);
  EXPECT_EQ(d.total_length(), 0);
  EXPECT_EQ(d.cancel_requested(), 0);
}

TEST_F(RangeDownloaderTest, InitTwiceKeepsTheFirstCallbacksAndComponent) {
  ASSERT_TRUE(d.init(progress_a, done_a));
  const auto component = d.http_object();
  d.set_chunk_kb(20);
  EXPECT_FALSE(d.init(progress_b, done_b));
  EXPECT_EQ(d.on_progress(), &progress_a);
  EXPECT_EQ(d.on_done(), &done_a);
  EXPECT_EQ(d.http_object(), component);
  EXPECT_EQ(d.chunk_size(), 20480);  // nothing changed
}

TEST_F(RangeDownloaderTest, InitFailsWhenTheComponentCannotBeCreated) {
  xmlhttp::ComponentRegistry::instance().set_refusing(true);
  EXPECT_FALSE(d.init(progress_a, done_a));
  expect_as_created(d);
  d.set_chunk_kb(20);
  d.set_source(Text("http://127.0.0.1/a"), Text());
  EXPECT_FALSE(d.set_target_file(Text("/tmp/x")));
  expect_as_created(d);
}

TEST_F(RangeDownloaderTest, ChunkSizeAndTimeOutFollowTheKilobytes) {
  ASSERT_TRUE(d.init(progress_a, done_a));
  struct Case {
    uint8_t kb;
    int32_t chunk_size, timeout_ms;
  };
  const Case cases[] = {
      {0, 4096, 40960}, {1, 1024, 10240}, {20, 20480, 204800}, {255, 261120, 2611200}};
  for (const auto& c : cases) {
    d.set_chunk_kb(c.kb);
    EXPECT_EQ(d.chunk_size(), c.chunk_size) << int{c.kb};
    EXPECT_EQ(d.timeout_ms(), c.timeout_ms) << int{c.kb};
  }
}

TEST_F(RangeDownloaderTest, ConfigurationBeforeInitStoresNothing) {
  d.set_chunk_kb(20);
  d.set_source(Text("http://127.0.0.1/a"), Text("http://127.0.0.1/"));
  EXPECT_FALSE(d.set_target_file(Text("/tmp/x")));
  expect_as_created(d);
}

TEST_F(RangeDownloaderTest, SettersStoreTheirOwnCopies) {
  ASSERT_TRUE(d.init(progress_a, done_a));
  Text url("http://127.0.0.1/a");
  Text path("/tmp/a");
  d.set_source(url, Text());
  EXPECT_TRUE(d.set_target_file(path));
  url += Text("-changed");
  path += Text("-changed");
  EXPECT_EQ(d.url(), Text("http://127.0.0.1/a"));
  EXPECT_EQ(d.referer(), Text());
  EXPECT_EQ(d.target_file(), Text("/tmp/a"));
}

TEST_F(RangeDownloaderTest, CloseReturnsToCreatedAndInitRestoresDefaults) {
  ASSERT_TRUE(d.init(progress_a, done_a));
  std::weak_ptr<xmlhttp::ServerXmlHttp> first = d.http_object();
  d.set_chunk_kb(20);
  d.set_source(Text("http://127.0.0.1/a"), Text("r"));
  d.set_target_file(Text("/tmp/a"));
  d.close();
  expect_as_created(d);
  EXPECT_TRUE(first.expired());  // the component was released

  ASSERT_TRUE(d.init(progress_b, done_b));
  EXPECT_NE(d.http_object(), nullptr);
  EXPECT_EQ(d.chunk_size(), 10240);
  EXPECT_EQ(d.timeout_ms(), 102400);
  EXPECT_EQ(d.on_progress(), &progress_b);
}

TEST_F(RangeDownloaderTest, CopySharesTheComponentAndDuplicatesTheRest) {
  ASSERT_TRUE(d.init(progress_a, done_a));
  d.set_chunk_kb(20);
  d.set_source(Text("http://127.0.0.1/a"), Text("r"));
  d.set_target_file(Text("/tmp/a"));
  const auto copy = d.copy();
  EXPECT_EQ(copy->http_object(), d.http_object());
  EXPECT_EQ(d.http_object().use_count(), 2);
  EXPECT_EQ(copy->initialized(), 1);
  EXPECT_EQ(copy->chunk_size(), 20480);
  EXPECT_EQ(copy->timeout_ms(), 204800);
  EXPECT_EQ(copy->on_done(), &done_a);
  EXPECT_EQ(copy->url(), Text("http://127.0.0.1/a"));
  EXPECT_EQ(copy->referer(), Text("r"));
  d.set_source(Text("http://127.0.0.1/b"), Text());
  EXPECT_EQ(copy->url(), Text("http://127.0.0.1/a"));
}

TEST_F(RangeDownloaderTest, CancelWhenNotBusyDoesNothing) {
  ASSERT_TRUE(d.init(progress_a, done_a));
  d.cancel();
  EXPECT_EQ(d.cancel_requested(), 0);
}

TEST(SharedDownloaderTest, CreatedInItsInitialStateAndReleased) {
  create_shared_downloader();
  ASSERT_NE(shared_downloader, nullptr);
  expect_as_created(*shared_downloader);
  ASSERT_TRUE(shared_downloader->init(progress_a, done_a));
  release_shared_downloader();
  EXPECT_EQ(shared_downloader, nullptr);
}

}  // namespace
}  // namespace sonivo
