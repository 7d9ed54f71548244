// The 下载 button on a file name that is already taken: by another sound, by the part of a
// file since replaced on the server, by a part the user deleted or cut. Recorded windows,
// a real temporary D: drive and the loopback fault server.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "download/DownloadTab.h"
#include "download/SharedDownloader.h"
#include "download/StatusTexts.h"
#include "tests/download/FaultServer.h"
#include "tests/support/RecordingWindowServices.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TextPrinting.h"
#include "text/Gbk.h"

namespace sonivo {

namespace {

using sonivo::testing::Fault;
using sonivo::testing::FaultServer;
using sonivo::testing::RecordingWindowServices;
using sonivo::testing::TempFolder;

// The sizes of the report: the new sound, and the other one found under its name.
constexpr int64_t SOUND_SIZE = 307317;
constexpr int64_t OTHER_SIZE = 400000;
const char* const DATE = "Tue, 05 May 2020 10:00:00 GMT";

const ControlRef kFolder{main_window::WINDOW, main_window::FOLDER_BOX};
const ControlRef kName{main_window::WINDOW, main_window::NAME_BOX};

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Bytes of another sound: anything but the served pattern at the same offsets.
std::string other_sound(int64_t size) {
  std::string bytes = FaultServer::pattern(99991, size);
  for (char& c : bytes) {
    c = static_cast<char>(~c);
  }
  return bytes;
}

std::string range(int64_t first, int64_t count = 20480) {
  return "bytes=" + std::to_string(first) + "-" + std::to_string(first + count - 1);
}

class DownloadTabResumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SONIVO_DRIVE_D", drive_d.str().c_str(), 1);
    resolved_sound() = ResolvedSound{};
    create_shared_downloader();
    ui.set_text(kFolder, Text("D:\\Tavex\\"));
    ui.set_text(kName, gbk("晴天.mp3"));
    std::filesystem::create_directory(folder());
  }
  void TearDown() override {
    release_shared_downloader();
    resolved_sound() = ResolvedSound{};
    ::unsetenv("SONIVO_DRIVE_D");
  }
  std::filesystem::path folder() const { return drive_d.path() / "Tavex"; }
  std::filesystem::path target() const { return folder() / "晴天.mp3"; }
  std::filesystem::path record() const { return folder() / "晴天.mp3.sonivo-part"; }
  std::vector<Text> box_texts() const {
    std::vector<Text> texts;
    for (const auto& box : ui.message_boxes) {
      texts.push_back(box.text);
    }
    return texts;
  }
  void press_download_for(const FaultServer& server) {
    resolved_sound().audio_link = Text(server.url());
    start_download();
  }

  TempFolder drive_d;
  RecordingWindowServices ui;
  std::string sound = FaultServer::pattern(0, SOUND_SIZE);
};

// Another sound's finished download under the same name, longer than the new one: the
// 416 states a total that is not the file's length, so the file is not this sound.
TEST_F(DownloadTabResumeTest, FinishedDownloadOfAnotherSoundIsLeftAsItIs) {
  const std::string other = other_sound(OTHER_SIZE);
  write_file(target(), other);
  FaultServer server(sound);
  press_download_for(server);

  EXPECT_EQ(box_texts(), std::vector<Text>{status_text_of(RunOutcome::FileInTheWay)});
  EXPECT_TRUE(read_file(target()) == other);
  EXPECT_FALSE(std::filesystem::exists(record()));
  EXPECT_EQ(server.range_log(), std::vector<std::string>{range(OTHER_SIZE)});
}

// Part of another sound under the same name: its last range is not the server's, so
// nothing is appended, with or without validators from the server.
TEST_F(DownloadTabResumeTest, PartOfAnotherSoundIsLeftAsItIs) {
  const std::string other = other_sound(100000);
  for (const char* etag : {"", "\"4b075-5eb13c40\""}) {
    SCOPED_TRACE(etag);
    ui.message_boxes.clear();
    write_file(target(), other);
    FaultServer server(sound);
    server.set_validators(etag, "");
    press_download_for(server);

    EXPECT_EQ(box_texts(), std::vector<Text>{status_text_of(RunOutcome::FileInTheWay)});
    EXPECT_TRUE(read_file(target()) == other);
    EXPECT_FALSE(std::filesystem::exists(record()));
    EXPECT_EQ(server.range_log(), (std::vector<std::string>{range(100000), range(79520)}));
  }
}

// The file changes on the server in the middle of a download. The run stops; the box
// says what to do. Pressing 下载 again does not continue the old part with the new file's
// bytes; another name in 文件名称 then downloads the new file, the old part untouched.
TEST_F(DownloadTabResumeTest, FileReplacedOnTheServerMidDownloadIsNeverContinued) {
  struct Case {
    const char* what;
    int64_t new_size;
    const char* old_etag;
    const char* new_etag;
    const char* old_date;
    const char* new_date;
  };
  const Case cases[] = {
      {"another length, no validators", SOUND_SIZE + 1000, "", "", "", ""},
      {"same length, another ETag", SOUND_SIZE, "\"a\"", "\"b\"", "", ""},
      {"same length, another date", SOUND_SIZE, "", "", DATE, "Wed, 06 May 2020 10:00:00 GMT"},
  };
  const Text changed =
      status_text_of(RunOutcome::ContentChanged) + Text("\r\n") + gbk(CONTENT_CHANGED_ADVICE);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(folder());
    std::filesystem::create_directory(folder());
    ui.set_text(kName, gbk("晴天.mp3"));
    ui.message_boxes.clear();
    const std::string replacement = other_sound(c.new_size);
    FaultServer server(sound);
    server.set_validators(c.old_etag, c.old_date);
    server.change_content_at(2, replacement, c.new_etag, c.new_date);

    press_download_for(server);
    EXPECT_EQ(box_texts(), std::vector<Text>{changed});
    const std::string old_part = sound.substr(0, 40960);
    EXPECT_TRUE(read_file(target()) == old_part);

    press_download_for(server);  // as the first line says
    EXPECT_EQ(box_texts(), (std::vector<Text>{changed, changed}));
    EXPECT_TRUE(read_file(target()) == old_part);
    EXPECT_EQ(server.range_log(),
              (std::vector<std::string>{range(0), range(20480), range(40960), range(40960)}));

    ui.set_text(kName, gbk("晴天(新).mp3"));  // as the second line says
    press_download_for(server);
    EXPECT_EQ(box_texts().back(), status_text_of(RunOutcome::Complete));
    EXPECT_TRUE(read_file(folder() / "晴天(新).mp3") == replacement);
    EXPECT_TRUE(read_file(target()) == old_part);
    EXPECT_FALSE(std::filesystem::exists(folder() / "晴天(新).mp3.sonivo-part"));
  }
}

// The record of an interrupted download stays when the user deletes or cuts the file:
// deleted, the next press starts afresh; cut, it continues the shorter part. Either way
// the download completes byte-identical and leaves no record.
TEST_F(DownloadTabResumeTest, RecordOfAFileTheUserDeletedOrCutDoesNoHarm) {
  struct Case {
    const char* what;
    const char* etag;
    int64_t kept;  // bytes the user left, -1: the file deleted
    std::vector<std::string> second_press;
  };
  const Case cases[] = {
      {"deleted", "\"v\"", -1, {range(0), range(20480), range(40960)}},
      {"cut, ETag", "\"v\"", 10000, {range(10000), range(0, 10000), range(30480)}},
      {"cut, no validators", "", 10000, {range(10000), range(0, 10000), range(30480)}},
      {"cut to nothing", "", 0, {range(0), range(20480), range(40960)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(target());
    ui.message_boxes.clear();
    const std::string small = FaultServer::pattern(0, 45000);
    FaultServer server(small);
    server.set_validators(c.etag, "");
    server.set_fault_at(1, Fault::Unavailable503);
    press_download_for(server);
    ASSERT_TRUE(std::filesystem::exists(record()));
    if (c.kept < 0) {
      std::filesystem::remove(target());
    } else {
      std::filesystem::resize_file(target(), static_cast<std::uintmax_t>(c.kept));
    }
    press_download_for(server);

    EXPECT_EQ(box_texts(), (std::vector<Text>{Text("Service Unavailable"), gbk("下载完毕")}));
    EXPECT_TRUE(read_file(target()) == small);
    EXPECT_FALSE(std::filesystem::exists(record()));
    const std::vector<std::string> log = server.range_log();
    EXPECT_EQ(std::vector<std::string>(log.begin() + 2, log.end()), c.second_press);
  }
}

// A name the file system cannot hold: the box says the name is too long.
TEST_F(DownloadTabResumeTest, TooLongNameIsSaidToBeTooLong) {
  std::string name;
  for (int i = 0; i < 300; ++i) {
    name += "晴";
  }
  ui.set_text(kName, gbk(name + ".mp3"));
  FaultServer server(sound);
  press_download_for(server);
  EXPECT_EQ(box_texts(), std::vector<Text>{status_text_of(RunOutcome::NameTooLong)});
  EXPECT_TRUE(server.requests().empty());
  EXPECT_TRUE(std::filesystem::is_empty(folder()));
}

}  // namespace
}  // namespace sonivo
