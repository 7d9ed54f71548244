// Finding run-time files from the executable's folder: beside it in a build tree, under
// ../share/sonivo-helper in an installed tree, and nowhere else (not the working folder).

#include <gtest/gtest.h>
#include <QDir>
#include <QString>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/RuntimeFiles.h"
#include "tests/support/TempFolder.h"

namespace sonivo {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

void make_file(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

QString qt_path(const fs::path& path) {
  return QString::fromStdString(path.lexically_normal().string());
}

struct LayoutCase {
  const char* name;
  std::vector<std::string> files;  // relative to the temporary folder
  std::string expected;            // relative to the temporary folder, empty: not found
};

class InstalledLayout : public ::testing::TestWithParam<LayoutCase> {
 protected:
  void TearDown() override { app::set_runtime_root_for_tests({}); }
};

TEST_P(InstalledLayout, FindsTheFileWhereTheLayoutPutsIt) {
  const LayoutCase& layout = GetParam();
  TempFolder tree;
  for (const std::string& file : layout.files) {
    make_file(tree.path() / file);
  }
  fs::create_directories(tree.path() / "bin");
  app::set_runtime_root_for_tests(QString::fromStdString((tree.path() / "bin").string()));

  const QString found = app::runtime_path(QStringLiteral("ruffle/ruffle.js"));

  if (layout.expected.empty()) {
    EXPECT_TRUE(found.isEmpty()) << found.toStdString();
  } else {
    EXPECT_EQ(found, qt_path(tree.path() / layout.expected));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, InstalledLayout,
    ::testing::Values(LayoutCase{"BuildTree", {"bin/ruffle/ruffle.js"}, "bin/ruffle/ruffle.js"},
                      LayoutCase{"InstalledTree",
                                 {"share/sonivo-helper/ruffle/ruffle.js"},
                                 "share/sonivo-helper/ruffle/ruffle.js"},
                      LayoutCase{"BesideTheExecutableWins",
                                 {"bin/ruffle/ruffle.js", "share/sonivo-helper/ruffle/ruffle.js"},
                                 "bin/ruffle/ruffle.js"},
                      LayoutCase{"OtherProgramsShareFolder", {"share/ruffle/ruffle.js"}, ""},
                      LayoutCase{"Neither", {}, ""}),
    [](const ::testing::TestParamInfo<LayoutCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST(InstalledLayout, IgnoresTheWorkingFolder) {
  TempFolder tree;
  make_file(tree.path() / "work/ruffle/ruffle.js");
  fs::create_directories(tree.path() / "bin");
  app::set_runtime_root_for_tests(QString::fromStdString((tree.path() / "bin").string()));
  const QString previous = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString((tree.path() / "work").string()));

  const QString found = app::runtime_path(QStringLiteral("ruffle/ruffle.js"));

  QDir::setCurrent(previous);
  app::set_runtime_root_for_tests({});
  EXPECT_TRUE(found.isEmpty()) << found.toStdString();
}

}  // namespace
}  // namespace sonivo
