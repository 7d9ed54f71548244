// The skin set-up inside the program's real start-up: a child process runs it (the probe,
// tests/skin/startup_probe.cpp) with C: mapped to a temporary folder.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QColor>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/library/Library.h"
#include "skin/SkinFile.h"
#include "skin/SkinImages.h"
#include "skin/SkinLook.h"
#include "tests/support/TempFolder.h"

namespace sonivo::skin {
namespace {

namespace fs = std::filesystem;
using sonivo::testing::TempFolder;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> lines_of(const fs::path& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

std::string tinted_accent(const std::string& skin_bytes) {
  const Rgb accent = tinted(*parse_skin(skin_bytes), {-80, 0, 0}).accent;
  return QColor(accent.r, accent.g, accent.b).name().toStdString();
}

const std::vector<std::string> PROGRAM_CALLS = {
    "SkinH_AttachEx|C:\\Windows\\win8.she|",
    "SkinH_AdjustHSV|-80|0|0",
    "SkinH_AdjustAero|210|0|0|3|0|0|0|0|0",
};

class SkinStartupTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(windows()); }

  // Runs the probe with C: at `drive_c_root`; returns its exit code (-1 reads as 255).
  int start(const fs::path& program = SONIVO_STARTUP_PROBE) {
    std::map<std::string, std::string> environment = {
        {"PATH", "/usr/bin:/bin"},
        {"HOME", home.str()},
        {"XDG_DATA_HOME", (home.path() / "data").string()},
        {"XDG_RUNTIME_DIR", home.str()},
        {"SONIVO_DRIVE_C", drive_c_root.string()},
        {"SONIVO_PROBE_REPORT", report.string()},
        {"SONIVO_SKIN_CALL_LOG", report.string()},
        {"QT_QPA_PLATFORM", "offscreen"},
        {"QTWEBENGINE_DISABLE_SANDBOX", "1"},
        {"QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox"},
        // Nothing the windows load may leave the machine.
        {"SONIVO_MAKER_SITE_HOST", "127.0.0.1:9"},
        {"SONIVO_COMMUNITY_HOST", "127.0.0.1:9"},
        {"SONIVO_PLAYER_HOST", "127.0.0.1:9"},
    };
    if (open_previews) {
      environment["SONIVO_PROBE_OPEN_PREVIEWS"] = "1";
    }
    std::vector<std::string> entries;
    for (const auto& [name, value] : environment) {
      entries.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& entry : entries) {
      envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    const std::string path = program.string();
    const pid_t child = ::fork();
    if (child == 0) {
      char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
      ::execve(path.c_str(), argv, envp.data());
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  }

  fs::path windows() const { return drive_c_root / "Windows"; }
  std::vector<std::string> report_lines() const { return lines_of(report); }
  std::vector<std::string> skin_calls() const {
    std::vector<std::string> calls;
    for (const std::string& line : report_lines()) {
      if (line.starts_with("SkinH_")) {
        calls.push_back(line);
      }
    }
    return calls;
  }
  bool has_line(const std::string& wanted) const {
    for (const std::string& line : report_lines()) {
      if (line == wanted) {
        return true;
      }
    }
    return false;
  }

  TempFolder folder;
  TempFolder home;
  fs::path drive_c_root = folder.path() / "c";
  fs::path report = folder.path() / "report.txt";
  bool open_previews = false;
};

TEST_F(SkinStartupTest, WritesBothImagesAtEveryStartAndWearsTheSkin) {
  ASSERT_EQ(start(), 0);
  const std::string library = read_file(windows() / "jedata.dll");
  const std::string skin_file = read_file(windows() / "win8.she");
  EXPECT_EQ(library, skin_library_image().data());
  EXPECT_EQ(library, read_file(SONIVO_BUILT_SKIN_LIBRARY));
  EXPECT_EQ(skin_file, skin_file_image().data());
  EXPECT_EQ(skin_file, read_file(SONIVO_SKIN_FILE));
  EXPECT_EQ(skin_file.substr(0, 4), ".SHE");
  // Our library did the work: the main window was shown tinted.
  EXPECT_TRUE(has_line("shown|MainWindow"));
  EXPECT_TRUE(has_line("highlight|" + tinted_accent(skin_file)));

  // A second start overwrites whatever lies there, longer or shorter.
  std::ofstream(windows() / "jedata.dll", std::ios::trunc) << "old";
  std::ofstream(windows() / "win8.she", std::ios::trunc) << std::string(20000, 'x');
  fs::remove(report);
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(read_file(windows() / "jedata.dll"), skin_library_image().data());
  EXPECT_EQ(read_file(windows() / "win8.she"), skin_file_image().data());
  EXPECT_TRUE(has_line("shown|MainWindow"));
}

TEST_F(SkinStartupTest, LibraryInTheProgramFolderIsTheOneLoaded) {
  const fs::path program_folder = folder.path() / "program";
  fs::create_directories(program_folder);
  const fs::path program = program_folder / "sonivo-helper";
  fs::copy_file(SONIVO_STARTUP_PROBE, program);
  fs::copy_file(SONIVO_RECORDING_SKIN, program_folder / "jedata.dll");

  ASSERT_EQ(start(program), 0);
  // The three calls, once each, in order, and all before the main window was shown.
  const std::vector<std::string> lines = report_lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3), PROGRAM_CALLS);
  EXPECT_EQ(lines[3], "shown|MainWindow");
  EXPECT_EQ(skin_calls(), PROGRAM_CALLS);
  // Unloaded by the toolkit's clean-up, before the program's end.
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "unloaded");
  EXPECT_EQ(lines.back(), "program ended");
  // The copy written to the Windows folder was not used, though it was written.
  EXPECT_EQ(read_file(windows() / "jedata.dll"), skin_library_image().data());
  EXPECT_FALSE(has_line("highlight|" + tinted_accent(skin_file_image().data())));
}

TEST_F(SkinStartupTest, PreviewWindowsDoNotTintAgain) {
  const fs::path program_folder = folder.path() / "program";
  fs::create_directories(program_folder);
  const fs::path program = program_folder / "sonivo-helper";
  fs::copy_file(SONIVO_STARTUP_PROBE, program);
  fs::copy_file(SONIVO_RECORDING_SKIN, program_folder / "jedata.dll");
  open_previews = true;

  ASSERT_EQ(start(program), 0);
  EXPECT_TRUE(has_line("shown|ListenWindow"));
  EXPECT_TRUE(has_line("shown|CoverWindow"));
  EXPECT_EQ(skin_calls(), PROGRAM_CALLS);
}

TEST_F(SkinStartupTest, LibraryInUseByAnotherCopyIsLeftAndLoaded) {
  // The first copy holds the library it loaded; ours stands for what that copy wrote.
  const fs::path in_use = windows() / "jedata.dll";
  fs::copy_file(SONIVO_RECORDING_SKIN, in_use);
  library::LibraryHandle first_copy = library::load_library_file(in_use);
  ASSERT_NE(first_copy, nullptr);

  const int code = start();
  library::free_library(first_copy);
  ASSERT_EQ(code, 0);
  EXPECT_EQ(read_file(in_use), read_file(SONIVO_RECORDING_SKIN));
  EXPECT_EQ(read_file(windows() / "win8.she"), skin_file_image().data());
  EXPECT_EQ(skin_calls(), PROGRAM_CALLS);
  EXPECT_TRUE(has_line("shown|MainWindow"));
}

TEST_F(SkinStartupTest, NoLibraryAnywhereIsTheFatalStop) {
  // C: under a regular file: nothing can be written there, and nothing lies there.
  std::ofstream(folder.path() / "not a folder") << "x";
  drive_c_root = folder.path() / "not a folder" / "c";

  EXPECT_EQ(start(), 255);
  const std::vector<std::string> lines = report_lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            "box|错误|运行时出错!\\r\\n\\r\\n"
            "错误信息：无法找到指定DLL库文件“jedata.dll”中的输出命令“SkinH_AttachEx”\\r\\n");
  EXPECT_FALSE(has_line("shown|MainWindow"));
}

TEST_F(SkinStartupTest, ReadOnlyFilesAreSkippedAndTheExistingOnesUsed) {
  // An existing skin file of another colour, and the recording library in place of ours.
  const std::string red_skin = ".SHE\naccent=#ff0000\n";
  std::ofstream(windows() / "win8.she") << red_skin;
  fs::copy_file(SONIVO_RECORDING_SKIN, windows() / "jedata.dll");
  ::chmod((windows() / "win8.she").c_str(), 0444);
  ::chmod((windows() / "jedata.dll").c_str(), 0555);

  ASSERT_EQ(start(), 0);
  EXPECT_EQ(read_file(windows() / "win8.she"), red_skin);
  EXPECT_EQ(read_file(windows() / "jedata.dll"), read_file(SONIVO_RECORDING_SKIN));
  EXPECT_EQ(skin_calls(), PROGRAM_CALLS);
  EXPECT_TRUE(has_line("shown|MainWindow"));
}

TEST_F(SkinStartupTest, ReadOnlySkinFileIsTheOneOurLibraryWears) {
  const std::string red_skin = ".SHE\naccent=#ff0000\n";
  std::ofstream(windows() / "win8.she") << red_skin;
  ::chmod((windows() / "win8.she").c_str(), 0444);

  ASSERT_EQ(start(), 0);
  EXPECT_EQ(read_file(windows() / "win8.she"), red_skin);
  EXPECT_EQ(read_file(windows() / "jedata.dll"), skin_library_image().data());
  EXPECT_TRUE(has_line("highlight|" + tinted_accent(red_skin)));
}

}  // namespace
}  // namespace sonivo::skin
