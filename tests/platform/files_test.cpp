#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/files/Files.h"
#include "tests/support/TempFolder.h"
#include "text/Gbk.h"

namespace sonivo::files {
namespace {

using sonivo::testing::TempFolder;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SONIVO_DRIVE_D", drive_d.str().c_str(), 1);
    ::setenv("SONIVO_DRIVE_C", drive_c.str().c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("SONIVO_DRIVE_D");
    ::unsetenv("SONIVO_DRIVE_C");
  }
  TempFolder drive_c;
  TempFolder drive_d;
};

TEST_F(FilesTest, MapsWindowsPaths) {
  EXPECT_EQ(host_path(Text("D:\\Tavex\\a.mp3")), drive_d.path() / "Tavex/a.mp3");
  EXPECT_EQ(host_path(Text("d:\\x")), drive_d.path() / "x");
  EXPECT_EQ(host_path(Text("C:\\Windows\\win8.she")), drive_c.path() / "Windows/win8.she");
  EXPECT_EQ(host_path(Text("/tmp/a b")), std::filesystem::path("/tmp/a b"));
  EXPECT_EQ(host_path(Text("sub\\f.txt")), std::filesystem::path("sub/f.txt"));
  // GBK names become UTF-8 host names.
  EXPECT_EQ(host_path(gbk("D:\\音乐\\歌.mp3")), drive_d.path() / "音乐/歌.mp3");
}

TEST_F(FilesTest, DefaultDrivesWithoutRedirection) {
  ::unsetenv("SONIVO_DRIVE_C");
  ::unsetenv("SONIVO_DRIVE_E");
  TempFolder home;
  const std::string old_home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("HOME", home.str().c_str(), 1);
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(host_path(Text("E:\\Tavex\\")), home.path() / "Tavex/");
  EXPECT_EQ(host_path(Text("C:\\Windows")),
            home.path() / ".local/share/sonivo-helper/drive_c/Windows");
  prepare_default_drives();
  EXPECT_TRUE(
      std::filesystem::is_directory(home.path() / ".local/share/sonivo-helper/drive_c/Windows"));
  ::setenv("HOME", old_home.c_str(), 1);
}

TEST_F(FilesTest, FoldersAndWholeFiles) {
  EXPECT_FALSE(exists(Text("D:\\Tavex\\")));
  EXPECT_TRUE(create_folder(Text("D:\\Tavex\\")));
  EXPECT_TRUE(is_folder(Text("D:\\Tavex")));
  EXPECT_FALSE(create_folder(Text("D:\\a\\b")));  // one level only
  EXPECT_FALSE(exists(Text("")));

  EXPECT_TRUE(write_whole_file(Text("D:\\Tavex\\f.bin"), Bytes(std::string("long content"))));
  EXPECT_TRUE(write_whole_file(Text("D:\\Tavex\\f.bin"), Bytes(std::string("ab\0c", 4))));
  EXPECT_EQ(read_whole_file(Text("D:\\Tavex\\f.bin"))->data(), std::string("ab\0c", 4));
  EXPECT_FALSE(write_whole_file(Text("D:\\missing\\f.bin"), Bytes(std::string("x"))));
  EXPECT_FALSE(read_whole_file(Text("D:\\missing\\f.bin")).has_value());
}

TEST_F(FilesTest, ReadOnlyFileRefusesWrites) {
  ASSERT_TRUE(write_whole_file(Text("D:\\ro.bin"), Bytes(std::string("keep"))));
  ::chmod((drive_d.path() / "ro.bin").c_str(), 0444);
  EXPECT_FALSE(write_whole_file(Text("D:\\ro.bin"), Bytes(std::string("new"))));
  ExclusiveFile file;
  EXPECT_FALSE(file.open_append(Text("D:\\ro.bin")));
  EXPECT_EQ(read_whole_file(Text("D:\\ro.bin"))->data(), "keep");
}

TEST_F(FilesTest, ExclusiveAppendKeepsContentAndLocksOthers) {
  ASSERT_TRUE(write_whole_file(Text("D:\\part.mp3"), Bytes(std::string("12345"))));
  ExclusiveFile file;
  ASSERT_TRUE(file.open_append(Text("D:\\part.mp3")));
  EXPECT_EQ(file.length(), 5);
  ASSERT_TRUE(file.seek_end());
  EXPECT_TRUE(file.append(Bytes(std::string("678"))));
  EXPECT_TRUE(file.append(Bytes()));

  // Held: a second open here and a write from another process both fail, and the
  // failed whole-file write leaves the content alone.
  ExclusiveFile second;
  EXPECT_FALSE(second.open_append(Text("D:\\part.mp3")));
  EXPECT_FALSE(write_whole_file(Text("D:\\part.mp3"), Bytes(std::string("x"))));
  const pid_t child = ::fork();
  if (child == 0) {
    ExclusiveFile other;
    ::_exit(other.open_append(Text("D:\\part.mp3")) ? 1 : 0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  file.close();
  EXPECT_EQ(read_whole_file(Text("D:\\part.mp3"))->data(), "12345678");
  EXPECT_TRUE(second.open_append(Text("D:\\part.mp3")));
}

TEST_F(FilesTest, AppendOpenRefusesEmptyPathAndFolders) {
  ExclusiveFile file;
  EXPECT_FALSE(file.open_append(Text("")));
  ASSERT_TRUE(create_folder(Text("D:\\dir")));
  EXPECT_FALSE(file.open_append(Text("D:\\dir\\")));
  EXPECT_FALSE(file.open_append(Text("D:\\dir")));
  EXPECT_TRUE(file.open_append(Text("D:\\new.bin")));
  EXPECT_EQ(file.length(), 0);
}

// A name longer than the host allows is told apart from other failures to open.
TEST_F(FilesTest, AppendOpenTellsANameTooLong) {
  ExclusiveFile file;
  EXPECT_FALSE(file.open_append(Text("D:\\") + Text(std::string(256, 'a'))));
  EXPECT_EQ(file.open_error(), OpenError::NameTooLong);
  // 86 Chinese characters: 172 bytes in GBK, but 258 in the host's UTF-8.
  std::string chinese;
  for (int i = 0; i < 86; ++i) {
    chinese += "晴";
  }
  EXPECT_FALSE(file.open_append(gbk("D:\\" + chinese)));
  EXPECT_EQ(file.open_error(), OpenError::NameTooLong);
  ASSERT_TRUE(create_folder(Text("D:\\dir")));
  EXPECT_FALSE(file.open_append(Text("D:\\dir")));
  EXPECT_EQ(file.open_error(), OpenError::Other);
  EXPECT_FALSE(file.open_append(Text("D:\\missing\\a.mp3")));
  EXPECT_EQ(file.open_error(), OpenError::Other);
  EXPECT_TRUE(file.open_append(Text("D:\\") + Text(std::string(255, 'a'))));
  EXPECT_EQ(file.open_error(), OpenError::None);
}

TEST_F(FilesTest, ReadsBackWhatTheOpenFileHolds) {
  ASSERT_TRUE(write_whole_file(Text("D:\\part.mp3"), Bytes(std::string("0123456789"))));
  ExclusiveFile file;
  ASSERT_TRUE(file.open_append(Text("D:\\part.mp3")));
  EXPECT_EQ(file.read_at(3, 4), Bytes(std::string("3456")));
  EXPECT_EQ(file.read_at(0, 10), Bytes(std::string("0123456789")));
  EXPECT_EQ(file.read_at(10, 0), Bytes());
  EXPECT_FALSE(file.read_at(8, 3).has_value());  // beyond the end
  EXPECT_FALSE(file.read_at(-1, 1).has_value());
  file.close();
  EXPECT_FALSE(file.read_at(0, 1).has_value());
}

TEST_F(FilesTest, WholeFileReadWithALimitAndRemoval) {
  ASSERT_TRUE(write_whole_file(Text("D:\\r.txt"), Bytes(std::string(70000, 'r'))));
  EXPECT_EQ(read_whole_file(Text("D:\\r.txt"), 70000)->size(), 70000u);
  EXPECT_FALSE(read_whole_file(Text("D:\\r.txt"), 69999).has_value());
  EXPECT_TRUE(remove_file(Text("D:\\r.txt")));
  EXPECT_FALSE(exists(Text("D:\\r.txt")));
  EXPECT_FALSE(remove_file(Text("D:\\r.txt")));
  ASSERT_TRUE(create_folder(Text("D:\\keep")));
  EXPECT_FALSE(remove_file(Text("D:\\keep")));  // never a folder
  EXPECT_TRUE(is_folder(Text("D:\\keep")));
  EXPECT_FALSE(remove_file(Text()));
}

}  // namespace
}  // namespace sonivo::files
