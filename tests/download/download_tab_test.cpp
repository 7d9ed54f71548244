// The 下载 button's handler and its callbacks, with recorded windows and a loopback server.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "download/DownloadTab.h"
#include "download/RangeDownloader.h"
#include "download/SharedDownloader.h"
#include "resolve/SafeFileName.h"
#include "tests/download/FaultServer.h"
#include "tests/support/RecordingWindowServices.h"
#include "tests/support/TempFolder.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

using sonivo::testing::Fault;
using sonivo::testing::FaultServer;
using sonivo::testing::RecordingWindowServices;
using sonivo::testing::TempFolder;

constexpr int64_t CONTENT_SIZE = 50000;

const ControlRef kFolder{main_window::WINDOW, main_window::FOLDER_BOX};
const ControlRef kName{main_window::WINDOW, main_window::NAME_BOX};
const ControlRef kCancel{main_window::WINDOW, main_window::CANCEL_BUTTON};
const ControlRef kBar{main_window::WINDOW, main_window::PROGRESS_BAR};
const ControlRef kLabel{main_window::WINDOW, main_window::PROGRESS_LABEL};

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class DownloadTabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SONIVO_DRIVE_D", drive_d.str().c_str(), 1);
    resolved_sound() = ResolvedSound{};
    create_shared_downloader();
    ui.set_disabled(kCancel, true);
    ui.set_text(kFolder, Text("D:\\Tavex\\"));
    ui.set_text(kName, gbk("夜曲.mp3"));
    ui.calls.clear();
  }
  void TearDown() override {
    release_shared_downloader();
    resolved_sound() = ResolvedSound{};
    ::unsetenv("SONIVO_DRIVE_D");
  }
  std::filesystem::path target() const { return drive_d.path() / "Tavex" / "夜曲.mp3"; }
  std::filesystem::path record() const { return drive_d.path() / "Tavex" / "夜曲.mp3.sonivo-part"; }
  std::vector<Text> box_texts() const {
    std::vector<Text> texts;
    for (const auto& box : ui.message_boxes) {
      texts.push_back(box.text);
    }
    return texts;
  }

  TempFolder drive_d;
  RecordingWindowServices ui;
};

TEST_F(DownloadTabTest, ProgressTextHasItsFourLines) {
  EXPECT_EQ(
      progress_text(Text("D:\\Tavex\\song.mp3"), 3145728, 1250, 50),
      gbk("D:\\Tavex\\song.mp3\r\n文件尺寸：3145728Bit\r\n下载进度：50%\r\n下载速度：1250 KB/S"));
}

TEST_F(DownloadTabTest, WithoutResolveShowsNoticeButCreatesFolder) {
  start_download();
  EXPECT_FALSE(ui.disabled(kCancel));
  EXPECT_EQ(ui.calls.front(), "set_disabled MainWindow/取消 false");
  ASSERT_EQ(ui.message_boxes.size(), 1u);
  EXPECT_EQ(ui.message_boxes[0].text, gbk("下载地址不正确，请检查地址是否已经解析！"));
  EXPECT_EQ(ui.message_boxes[0].title, gbk("友情提醒："));
  EXPECT_EQ(ui.message_boxes[0].flags, MB_OK);
  EXPECT_TRUE(std::filesystem::is_directory(drive_d.path() / "Tavex"));
  EXPECT_EQ(shared_downloader->initialized(), 0);  // the downloader is not touched
}

TEST_F(DownloadTabTest, DownloadsThenResumesWithOne416) {
  FaultServer server(CONTENT_SIZE);
  resolved_sound().audio_link = Text(server.url());
  start_download();

  EXPECT_EQ(read_file(target()), FaultServer::pattern(0, CONTENT_SIZE));
  EXPECT_EQ(box_texts(), std::vector<Text>{gbk("下载完毕")});
  EXPECT_FALSE(std::filesystem::exists(record()));      // nothing left to clean up
  EXPECT_FALSE(ui.message_boxes[0].title.has_value());  // the default title
  EXPECT_EQ(ui.position(kBar), 100);
  const std::string label = utf8_of(ui.text(kLabel));
  EXPECT_EQ(
      label.rfind("D:\\Tavex\\夜曲.mp3\r\n文件尺寸：50000Bit\r\n下载进度：100%\r\n下载速度：", 0),
      0u)
      << label;
  EXPECT_EQ(server.range_log(),
            (std::vector<std::string>{"bytes=0-20479", "bytes=20480-40959", "bytes=40960-61439"}));
  EXPECT_EQ(shared_downloader->referer(), Text());
  EXPECT_EQ(shared_downloader->chunk_size(), 20480);

  // Again: one ranged request past the end, answered 416, nothing appended.
  start_download();
  EXPECT_EQ(server.range_log().size(), 4u);
  EXPECT_EQ(server.range_log().back(), "bytes=50000-70479");
  EXPECT_EQ(read_file(target()).size(), static_cast<std::size_t>(CONTENT_SIZE));
  EXPECT_EQ(box_texts(), (std::vector<Text>{gbk("下载完毕"), gbk("下载完毕")}));
  EXPECT_FALSE(std::filesystem::exists(record()));
}

// The next press continues the file. Where the server sends validators, they vouch for
// the bytes and no byte is asked for twice; where it sends none, the file's last range is
// asked for once more and compared first.
TEST_F(DownloadTabTest, InterruptedDownloadIsContinuedByTheNextPress) {
  struct Case {
    const char* etag;
    const char* last_modified;
    std::vector<std::string> ranges;
  };
  const Case cases[] = {
      {"",
       "",
       {"bytes=0-20479", "bytes=20480-40959", "bytes=20480-40959", "bytes=0-20479",
        "bytes=40960-61439"}},
      {"\"c350-5eb13c40\"",
       "",
       {"bytes=0-20479", "bytes=20480-40959", "bytes=20480-40959", "bytes=40960-61439"}},
      {"",
       "Tue, 05 May 2020 10:00:00 GMT",
       {"bytes=0-20479", "bytes=20480-40959", "bytes=20480-40959", "bytes=40960-61439"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.etag << c.last_modified);
    std::filesystem::remove(target());
    ui.message_boxes.clear();
    FaultServer server(CONTENT_SIZE);
    server.set_validators(c.etag, c.last_modified);
    server.set_fault_at(1, Fault::Unavailable503);
    resolved_sound().audio_link = Text(server.url());
    start_download();
    EXPECT_EQ(read_file(target()).size(), 20480u);
    EXPECT_TRUE(std::filesystem::exists(record()));
    start_download();
    EXPECT_TRUE(read_file(target()) == FaultServer::pattern(0, CONTENT_SIZE));
    EXPECT_EQ(box_texts(), (std::vector<Text>{Text("Service Unavailable"), gbk("下载完毕")}));
    EXPECT_EQ(server.range_log(), c.ranges);
    EXPECT_FALSE(std::filesystem::exists(record()));
  }
}

TEST_F(DownloadTabTest, ServerIgnoringRangesLeavesFileUnchanged) {
  FaultServer server(CONTENT_SIZE);
  server.set_fault(Fault::Whole200);
  resolved_sound().audio_link = Text(server.url());
  std::filesystem::create_directory(drive_d.path() / "Tavex");
  std::ofstream(target(), std::ios::binary) << "part";
  start_download();
  EXPECT_EQ(box_texts(), std::vector<Text>{gbk("服务器不支持断点续传！")});
  EXPECT_EQ(read_file(target()), "part");
}

TEST_F(DownloadTabTest, EmptyNameAndFolderWithoutBackslash) {
  FaultServer server(CONTENT_SIZE);
  resolved_sound().audio_link = Text(server.url());
  ui.set_text(kName, Text());
  start_download();
  EXPECT_EQ(box_texts(), std::vector<Text>{gbk("本地文件无法打开")});
  EXPECT_TRUE(server.range_log().empty());

  // "D:\Music" + "song.mp3": the folder is created, the file lands next to it.
  ui.set_text(kFolder, Text("D:\\Music"));
  ui.set_text(kName, Text("song.mp3"));
  start_download();
  EXPECT_TRUE(std::filesystem::is_directory(drive_d.path() / "Music"));
  EXPECT_EQ(read_file(drive_d.path() / "Musicsong.mp3"), FaultServer::pattern(0, CONTENT_SIZE));
}

// The page writes "&" in an attribute as "&amp;": the server is asked for the address the
// page means, while the resolved field keeps the page's text.
TEST_F(DownloadTabTest, CharacterReferencesInTheAudioAddressAreDecodedOnTheWire) {
  FaultServer server(CONTENT_SIZE);
  const Text as_written(server.url() + "?sig=ab12&amp;t=9&#38;x=&lt;1&gt;");
  resolved_sound().audio_link = as_written;
  start_download();

  EXPECT_EQ(box_texts(), std::vector<Text>{gbk("下载完毕")});
  EXPECT_EQ(read_file(target()), FaultServer::pattern(0, CONTENT_SIZE));
  const auto requests = server.requests();
  ASSERT_FALSE(requests.empty());
  for (const auto& request : requests) {
    EXPECT_EQ(request.target, "/file.bin?sig=ab12&t=9&x=<1>");
  }
  EXPECT_EQ(resolved_sound().audio_link, as_written);
}

// A title of 300 Chinese characters is 900 bytes on the host; the proposed name is cut to
// fit the file system and the download goes through under it.
TEST_F(DownloadTabTest, LongTitleIsProposedAsANameThatCanBeWritten) {
  FaultServer server(CONTENT_SIZE);
  resolved_sound().audio_link = Text(server.url());
  std::string title;
  for (int i = 0; i < 300; ++i) {
    title += "长";
  }
  const Text name = proposed_file_name(gbk(title));
  ui.set_text(kName, name);
  start_download();

  EXPECT_EQ(box_texts(), std::vector<Text>{gbk("下载完毕")});
  const std::string host_name = utf8_of(name);
  EXPECT_LE(host_name.size(), 255u);
  EXPECT_EQ(read_file(drive_d.path() / "Tavex" / host_name), FaultServer::pattern(0, CONTENT_SIZE));
}

}  // namespace
}  // namespace sonivo
