#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "platform/httpread/HttpFileRead.h"
#include "preview/CoverWindow.h"
#include "preview/ListenWindow.h"
#include "tests/support/LoopbackPorts.h"
#include "tests/support/RecordingWindowServices.h"
#include "tests/support/TempFolder.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

using testing::closed_loopback_port;
using testing::FileDialogAnswer;
using testing::RecordingWindowServices;
using testing::TempFolder;

// A loopback server for cover pictures that remembers the last request it saw.
class CoverServer {
 public:
  CoverServer() {
    server_.Get("/cover.png", [this](const httplib::Request& request, httplib::Response& response) {
      remember(request);
      response.set_content(kPicture, "image/png");
    });
    server_.Get("/missing.png",
                [this](const httplib::Request& request, httplib::Response& response) {
                  remember(request);
                  response.status = 404;
                  response.set_content("<html>not here</html>", "text/html");
                });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  ~CoverServer() {
    server_.stop();
    thread_.join();
  }
  Text url(const std::string& path) const {
    return Text("http://127.0.0.1:" + std::to_string(port_) + path);
  }
  httplib::Request last_request() {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_;
  }

  // Not a real PNG: the viewer must keep and save whatever bytes arrive.
  inline static const std::string kPicture = std::string("\x89PNG\r\n\x1a\n\0\x01\x02\xff", 12);

 private:
  void remember(const httplib::Request& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    last_ = request;
  }
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  httplib::Request last_;
};

// Accepts one connection and never answers, until destroyed.
class SilentServer {
 public:
  SilentServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_, 4);
    socklen_t length = sizeof address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~SilentServer() { ::close(fd_); }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resolved_sound() = ResolvedSound{};
    ::setenv("SONIVO_PLAYER_HOST", "player.test.example", 1);
    ::setenv("SONIVO_SITE_LABEL", "label.example", 1);
    ui.bind({listen_window::WINDOW, ""}, Event::Created,
            [](const EventArgs&) { listen_window_created(); });
    ui.bind({cover_window::WINDOW, ""}, Event::Created,
            [](const EventArgs&) { cover_window_created(); });
  }
  void TearDown() override {
    ::unsetenv("SONIVO_PLAYER_HOST");
    ::unsetenv("SONIVO_SITE_LABEL");
    resolved_sound() = ResolvedSound{};
  }
  RecordingWindowServices ui;
};

TEST_F(PreviewTest, NoticesBeforeAnyResolve) {
  open_listen_window();
  open_cover_window();
  ASSERT_EQ(ui.message_boxes.size(), 2u);
  EXPECT_EQ(ui.message_boxes[0].text, gbk("请输入链接地址后再进行试听！"));
  EXPECT_EQ(ui.message_boxes[0].flags, MB_OK);
  EXPECT_FALSE(ui.message_boxes[0].title.has_value());  // the default title
  EXPECT_EQ(ui.message_boxes[1].text, gbk("图片地址不正确，请检查地址是否已经解析！"));
  EXPECT_EQ(ui.message_boxes[1].flags, MB_OK);
  EXPECT_EQ(ui.message_boxes[1].title, gbk("友情提醒："));
  EXPECT_TRUE(ui.loaded_windows.empty());
}

TEST_F(PreviewTest, ListenWindowCaptionAndEncodedPlayerAddress) {
  resolved_sound().sound_name = gbk("夜曲");
  resolved_sound().audio_link = Text("http://a.example/s 1.mp3?x=1&y=2#t");
  open_listen_window();
  ASSERT_EQ(ui.loaded_windows, std::vector<std::string>{listen_window::WINDOW});
  EXPECT_EQ(ui.calls.front(), "load_window ListenWindow modal");
  EXPECT_EQ(ui.text({listen_window::WINDOW, ""}), gbk("正在试听：夜曲 - label.example"));
  EXPECT_EQ(ui.text({listen_window::WINDOW, listen_window::PLAYER_BROWSER}).str(),
            "http://player.test.example/plus/player.swf?url="
            "http%3A%2F%2Fa.example%2Fs%201.mp3%3Fx%3D1%26y%3D2%23t");
}

// "&amp;" in the page is "&" in the address: the player gets one parameter "t", not "amp;t".
TEST_F(PreviewTest, PlayerIsHandedTheAddressThePageMeans) {
  resolved_sound().audio_link = Text("http://a.example/s.mp3?sig=ab12&amp;t=9&#39;");
  EXPECT_EQ(player_address(resolved_sound().audio_link).str(),
            "http://player.test.example/plus/player.swf?url="
            "http%3A%2F%2Fa.example%2Fs.mp3%3Fsig%3Dab12%26t%3D9%27");
  EXPECT_EQ(player_address(Text("a&b&amp c")).str(),
            "http://player.test.example/plus/player.swf?url=a%26b%26amp%20c");
}

TEST_F(PreviewTest, ListenWindowOpensWithoutName) {
  resolved_sound().audio_link = Text("http://a.example/a.mp3");
  open_listen_window();
  EXPECT_EQ(ui.text({listen_window::WINDOW, ""}), gbk("正在试听： - label.example"));
  EXPECT_TRUE(ui.message_boxes.empty());
}

TEST_F(PreviewTest, ChineseInTheAudioAddressTravelsAsUtf8) {
  EXPECT_EQ(player_address(gbk("歌~-._")).str(),
            "http://player.test.example/plus/player.swf?url=%E6%AD%8C~-._");
}

TEST_F(PreviewTest, CoverIsDownloadedAndSavedByteForByte) {
  CoverServer server;
  TempFolder folder;
  resolved_sound().cover_url = server.url("/cover.png");
  open_cover_window();
  ASSERT_EQ(ui.loaded_windows, std::vector<std::string>{cover_window::WINDOW});
  EXPECT_EQ(ui.picture({cover_window::WINDOW, cover_window::PICTURE}).data(),
            CoverServer::kPicture);

  const httplib::Request request = server.last_request();
  EXPECT_EQ(request.version, "HTTP/1.0");
  EXPECT_EQ(request.get_header_value("User-Agent"),
            "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
  EXPECT_EQ(request.get_header_value("Accept"), "*/*");

  // Saved under a .jpg-less name: the bytes stay exactly as downloaded.
  const auto target = folder.path() / "cover.png";
  ui.next_file_dialog_answers.push_back(FileDialogAnswer{true, Text(target.string())});
  save_cover_picture({});
  EXPECT_EQ(read_file(target), CoverServer::kPicture);

  // Cancelled: nothing written, not even to the path the dialog still holds.
  std::ofstream(target, std::ios::binary | std::ios::trunc) << "changed since";
  save_cover_picture({});
  EXPECT_EQ(ui.calls.back(), "run_file_dialog CoverWindow/通用对话框1");
  EXPECT_EQ(read_file(target), "changed since");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

// The cover address as the page wrote it in its attribute: the request carries "&", the
// field keeps "&amp;".
TEST_F(PreviewTest, CoverAddressIsReadAsThePageMeansIt) {
  CoverServer server;
  const Text as_written = server.url("/cover.png?sig=ab12&amp;t=9&#x26;n=&#27468;");
  resolved_sound().cover_url = as_written;
  open_cover_window();
  EXPECT_EQ(ui.picture({cover_window::WINDOW, cover_window::PICTURE}).data(),
            CoverServer::kPicture);
  const httplib::Request request = server.last_request();
  EXPECT_EQ(request.get_param_value("sig"), "ab12");
  EXPECT_EQ(request.get_param_value("t"), "9");
  EXPECT_FALSE(request.has_param("amp;t"));
  EXPECT_EQ(request.target.rfind("/cover.png?sig=ab12&t=9&n=", 0), 0u) << request.target;
  EXPECT_EQ(resolved_sound().cover_url, as_written);
}

TEST_F(PreviewTest, SavingReplacesAnExistingFileEntirely) {
  CoverServer server;
  TempFolder folder;
  const auto target = folder.path() / "old.jpg";
  std::ofstream(target) << "a much longer earlier content than the cover";
  resolved_sound().cover_url = server.url("/cover.png");
  open_cover_window();
  ui.next_file_dialog_answers.push_back(FileDialogAnswer{true, Text(target.string())});
  save_cover_picture({});
  EXPECT_EQ(read_file(target), CoverServer::kPicture);
}

TEST_F(PreviewTest, ErrorPageIsKeptAndUnreachableCoverSavesEmptyFile) {
  CoverServer server;
  TempFolder folder;
  resolved_sound().cover_url = server.url("/missing.png");
  open_cover_window();
  EXPECT_EQ(ui.picture({cover_window::WINDOW, cover_window::PICTURE}).data(),
            "<html>not here</html>");

  // A closed loopback port: the window still opens, with an empty picture.
  resolved_sound().cover_url =
      Text("http://127.0.0.1:" + std::to_string(closed_loopback_port()) + "/c.png");
  open_cover_window();
  EXPECT_EQ(ui.loaded_windows.size(), 2u);
  EXPECT_TRUE(ui.picture({cover_window::WINDOW, cover_window::PICTURE}).empty());
  const auto target = folder.path() / "empty.jpg";
  ui.next_file_dialog_answers.push_back(FileDialogAnswer{true, Text(target.string())});
  save_cover_picture({});
  ASSERT_TRUE(std::filesystem::exists(target));
  EXPECT_EQ(std::filesystem::file_size(target), 0u);
}

TEST_F(PreviewTest, FailedSaveSaysNothing) {
  CoverServer server;
  resolved_sound().cover_url = server.url("/cover.png");
  open_cover_window();
  ui.next_file_dialog_answers.push_back(FileDialogAnswer{true, Text("/nonexistent-dir/x/c.jpg")});
  save_cover_picture({});
  EXPECT_TRUE(ui.message_boxes.empty());
}

TEST(HttpFileRead, SilentServerIsGivenUp) {
  SilentServer server;
  HttpFileReadLimits limits;
  limits.stall_seconds = 1;
  set_http_file_read_limits(limits);
  EXPECT_TRUE(
      http_file_read(Text("http://127.0.0.1:" + std::to_string(server.port()) + "/c")).empty());
  set_http_file_read_limits(HttpFileReadLimits{});
}

TEST(HttpFileRead, UnusableAddressesGiveEmptyBytes) {
  EXPECT_TRUE(http_file_read(Text()).empty());
  EXPECT_TRUE(http_file_read(Text("not an address")).empty());
  EXPECT_TRUE(http_file_read(Text("ftp://127.0.0.1/x")).empty());
}

}  // namespace
}  // namespace sonivo
