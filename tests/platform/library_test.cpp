#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files/Files.h"
#include "platform/library/BoundFunction.h"
#include "platform/library/CheckedCall.h"
#include "platform/library/Library.h"
#include "tests/support/TempFolder.h"
#include "text/Gbk.h"

namespace sonivo::library {
namespace {

namespace fs = std::filesystem;
using sonivo::testing::TempFolder;

// The file a loaded function lives in.
fs::path file_of(void* function) {
  Dl_info info{};
  if (!function || ::dladdr(function, &info) == 0 || !info.dli_fname) {
    return {};
  }
  return fs::canonical(info.dli_fname);
}

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SONIVO_DRIVE_C", drive_c.str().c_str(), 1);
    fs::create_directories(drive_c.path() / "Windows/System32");
    set_program_folder(program.path());
    saved_path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", "/nonexistent", 1);
  }
  void TearDown() override {
    unload_bound_libraries();
    set_program_folder({});
    ::setenv("PATH", saved_path.c_str(), 1);
    ::unsetenv("SONIVO_DRIVE_C");
  }
  fs::path place(const fs::path& folder, const std::string& name = "probe.dll") {
    fs::create_directories(folder);
    fs::copy_file(SONIVO_PROBE_LIBRARY, folder / name, fs::copy_options::overwrite_existing);
    return fs::canonical(folder / name);
  }
  fs::path windows() const { return drive_c.path() / "Windows"; }

  TempFolder drive_c;
  TempFolder program;
  std::string saved_path;
};

TEST_F(LibraryTest, PlainNameFollowsTheSearchOrder) {
  EXPECT_EQ(load_library(Text("probe.dll")), nullptr);

  // Each step adds a copy in an earlier folder of the order, which must then win.
  const fs::path in_windows = place(windows());
  const fs::path in_system32 = place(windows() / "System32");
  const fs::path in_program = place(program.path());
  for (const auto& [expected, remove] :
       {std::pair{in_program, in_program}, {in_system32, in_system32}, {in_windows, in_windows}}) {
    LibraryHandle library = load_library(Text("probe.dll"));
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(file_of(find_function(library, "probe_value")), expected);
    free_library(library);
    fs::remove(remove);
  }
  EXPECT_EQ(load_library(Text("probe.dll")), nullptr);
}

TEST_F(LibraryTest, PathFolderAndCurrentFolderComeLast) {
  TempFolder on_path;
  const fs::path in_path_folder = place(on_path.path());
  ::setenv("PATH", ("/nonexistent:" + on_path.str()).c_str(), 1);
  LibraryHandle library = load_library(Text("probe.dll"));
  EXPECT_EQ(file_of(find_function(library, "probe_value")), in_path_folder);
  free_library(library);

  TempFolder current;
  const fs::path in_current = place(current.path());
  const fs::path before = fs::current_path();
  fs::current_path(current.path());
  library = load_library(Text("probe.dll"));
  fs::current_path(before);
  EXPECT_EQ(file_of(find_function(library, "probe_value")), in_current);
  free_library(library);
}

TEST_F(LibraryTest, NameWithAFolderIsLoadedFromThereOnly) {
  place(program.path());
  EXPECT_EQ(load_library(Text("C:\\Windows\\probe.dll")), nullptr);
  const fs::path in_windows = place(windows());
  LibraryHandle library = load_library(Text("C:\\Windows\\probe.dll"));
  EXPECT_EQ(file_of(find_function(library, "probe_value")), in_windows);
  free_library(library);

  const fs::path host = place(program.path() / "sub", "other name.so");
  library = load_library(Text(host.string()));
  EXPECT_EQ(file_of(find_function(library, "probe_value")), host);
  free_library(library);
}

TEST_F(LibraryTest, FileThatIsNoLibraryIsPassedOver) {
  std::ofstream(program.path() / "probe.dll") << "not a library";
  const fs::path in_windows = place(windows());
  LibraryHandle library = load_library(Text("probe.dll"));
  EXPECT_EQ(file_of(find_function(library, "probe_value")), in_windows);
  free_library(library);
  EXPECT_EQ(load_library_file(program.path() / "probe.dll"), nullptr);
  EXPECT_EQ(load_library(Text("")), nullptr);
  EXPECT_EQ(load_library_file(program.path()), nullptr);  // a folder
}

TEST_F(LibraryTest, ExportsByName) {
  place(program.path());
  LibraryHandle library = load_library(Text("probe.dll"));
  ASSERT_NE(library, nullptr);
  auto* probe = reinterpret_cast<int (*)()>(find_function(library, "probe_value"));
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe(), 42);
  EXPECT_EQ(find_function(library, "no_such_export"), nullptr);
  EXPECT_EQ(find_function(nullptr, "probe_value"), nullptr);
  free_library(library);
  free_library(nullptr);
}

TEST_F(LibraryTest, LoadedLibraryCannotBeOverwritten) {
  place(windows());
  const Text path("C:\\Windows\\probe.dll");
  LibraryHandle library = load_library(path);
  ASSERT_NE(library, nullptr);
  EXPECT_FALSE(files::write_whole_file(path, Bytes(std::string("x"))));
  EXPECT_EQ(reinterpret_cast<int (*)()>(find_function(library, "probe_value"))(), 42);
  free_library(library);
  EXPECT_TRUE(files::write_whole_file(path, Bytes(std::string("x"))));
}

TEST_F(LibraryTest, ProgramFolderIsTheExecutablesFolder) {
  set_program_folder({});
  EXPECT_EQ(program_folder(), fs::canonical("/proc/self/exe").parent_path());
  const auto folders = search_folders();
  ASSERT_GE(folders.size(), 5u);
  EXPECT_EQ(folders[0], program_folder());
  EXPECT_EQ(folders[1], windows() / "System32");
  EXPECT_EQ(folders[2], windows() / "System");
  EXPECT_EQ(folders[3], windows());
  EXPECT_EQ(folders[4], fs::current_path());
}

TEST_F(LibraryTest, BindsFromTheProgramFolderFirstAndRemembers) {
  const fs::path in_program = place(program.path(), "jedata.dll");
  place(windows(), "jedata.dll");
  BoundFunction function{"jedata.dll", "probe_value"};
  ASSERT_TRUE(bind_function(function));
  EXPECT_EQ(file_of(function.address), in_program);

  // Remembered: a second bind neither searches nor loads again.
  void* first = function.address;
  fs::remove(in_program);
  EXPECT_TRUE(bind_function(function));
  EXPECT_EQ(function.address, first);
  EXPECT_EQ(reinterpret_cast<int (*)()>(function.address)(), 42);
}

TEST_F(LibraryTest, BindsThroughTheSearchWhenTheProgramFolderHasNone) {
  const fs::path in_windows = place(windows(), "jedata.dll");
  BoundFunction function{"jedata.dll", "probe_value"};
  ASSERT_TRUE(bind_function(function));
  EXPECT_EQ(file_of(function.address), in_windows);

  // Held until the libraries are unloaded, which forgets the binding.
  const Text path("C:\\Windows\\jedata.dll");
  EXPECT_FALSE(files::write_whole_file(path, Bytes(std::string("x"))));
  unload_bound_libraries();
  EXPECT_EQ(function.address, nullptr);
  EXPECT_TRUE(files::write_whole_file(path, Bytes(std::string("x"))));
  unload_bound_libraries();  // nothing left: harmless
}

TEST_F(LibraryTest, FailedBindingReleasesTheLibrary) {
  BoundFunction missing_library{"jedata.dll", "probe_value"};
  EXPECT_FALSE(bind_function(missing_library));
  EXPECT_EQ(missing_library.address, nullptr);

  place(windows(), "jedata.dll");
  BoundFunction missing_export{"jedata.dll", "SkinH_AttachEx"};
  EXPECT_FALSE(bind_function(missing_export));
  EXPECT_EQ(missing_export.address, nullptr);
  // Released: nothing holds the file any more.
  EXPECT_TRUE(files::write_whole_file(Text("C:\\Windows\\jedata.dll"), Bytes(std::string("x"))));
}

TEST_F(LibraryTest, EachFunctionIsBoundOnItsOwn) {
  place(windows(), "jedata.dll");
  BoundFunction first{"jedata.dll", "probe_value"};
  BoundFunction second{"jedata.dll", "probe_value"};
  ASSERT_TRUE(bind_function(first));
  ASSERT_TRUE(bind_function(second));
  EXPECT_EQ(first.address, second.address);
  unload_bound_libraries();
  EXPECT_EQ(first.address, nullptr);
  EXPECT_EQ(second.address, nullptr);
}

TEST(MissingFunctionMessage, NamesLibraryAndFunction) {
  const BoundFunction function{"jedata.dll", "SkinH_AttachEx"};
  EXPECT_EQ(missing_function_message(function),
            gbk("无法找到指定DLL库文件“jedata.dll”中的输出命令“SkinH_AttachEx”"));
}

int add_three(int a, int b, int c) {
  return a + b * 10 + c * 100;
}

TEST(CheckedCall, PassesArgumentsAndResult) {
  const CallResult result = call_dll_function(reinterpret_cast<void*>(&add_three), 1, 2, 3);
  EXPECT_EQ(result.value, 321);
  EXPECT_TRUE(result.stack_intact);
}

}  // namespace
}  // namespace sonivo::library
