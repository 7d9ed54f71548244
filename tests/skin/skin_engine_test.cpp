// The skin library as the program uses it: loaded from its file into a running Qt
// application, called through its three exports, unloaded again.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QImage>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/library/Library.h"
#include "skin/SkinFile.h"
#include "skin/SkinLook.h"
#include "tests/support/TempFolder.h"

namespace sonivo::skin {
namespace {

namespace fs = std::filesystem;
using sonivo::testing::TempFolder;

using AttachEx = int (*)(const char*, const char*);
using AdjustHsv = int (*)(int, int, int);
using AdjustAero = int (*)(int, int, int, int, int, int, int, int, int);

struct Exports {
  library::LibraryHandle library = nullptr;
  AttachEx attach = nullptr;
  AdjustHsv hsv = nullptr;
  AdjustAero aero = nullptr;
};

Exports load_skin_library() {
  Exports exports;
  exports.library = library::load_library_file(SONIVO_SKIN_LIBRARY);
  exports.attach =
      reinterpret_cast<AttachEx>(library::find_function(exports.library, "SkinH_AttachEx"));
  exports.hsv =
      reinterpret_cast<AdjustHsv>(library::find_function(exports.library, "SkinH_AdjustHSV"));
  exports.aero =
      reinterpret_cast<AdjustAero>(library::find_function(exports.library, "SkinH_AdjustAero"));
  return exports;
}

bool skin_library_mapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("jedata.dll") != std::string::npos) {
      return true;
    }
  }
  return false;
}

QApplication* application() {
  static int argc = 1;
  static char name[] = "skin_engine_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

QColor colour_of(Rgb rgb) {
  return QColor(rgb.r, rgb.g, rgb.b);
}

// A dialog with one button, shown and painted, as a window made after the call.
struct Shown {
  Shown() {
    dialog = std::make_unique<QDialog>();
    dialog->resize(240, 120);
    auto* layout = new QVBoxLayout(dialog.get());
    button = new QPushButton("Button", dialog.get());
    button->setMinimumSize(160, 40);
    layout->addWidget(button);
    dialog->show();
    QApplication::processEvents();
  }
  QColor background() const { return dialog->grab().toImage().pixelColor(2, 2); }
  QColor button_face() const {
    return button->grab().toImage().pixelColor(5, button->height() / 2);
  }
  std::unique_ptr<QDialog> dialog;
  QPushButton* button = nullptr;
};

TEST(SkinEngineAlone, DoesNothingWithoutAnApplicationOrASkin) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempFolder drive_c;
  ::setenv("SONIVO_DRIVE_C", drive_c.str().c_str(), 1);
  fs::create_directories(drive_c.path() / "Windows");
  fs::copy_file(SONIVO_SKIN_FILE, drive_c.path() / "Windows/win8.she");
  EXPECT_EXIT(
      {
        const Exports skin = load_skin_library();
        ::_exit(skin.attach("C:\\Windows\\win8.she", "") == 0 ? 7 : 1);
      },
      ::testing::ExitedWithCode(7), "");
  EXPECT_EXIT(
      {
        QApplication* app = application();
        const Exports skin = load_skin_library();
        const bool refused = skin.hsv(-80, 0, 0) == 0 &&
                             skin.aero(210, 0, 0, 3, 0, 0, 0, 0, 0) == 0 &&
                             app->styleSheet().isEmpty();
        ::_exit(refused ? 7 : 1);
      },
      ::testing::ExitedWithCode(7), "");
  ::unsetenv("SONIVO_DRIVE_C");
}

class SkinEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    application();
    ::setenv("SONIVO_DRIVE_C", drive_c.str().c_str(), 1);
    fs::create_directories(drive_c.path() / "Windows");
    fs::copy_file(SONIVO_SKIN_FILE, drive_c.path() / "Windows/win8.she");
    std::ifstream in(SONIVO_SKIN_FILE, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    shipped = *parse_skin(bytes);
    skin = load_skin_library();
    ASSERT_NE(skin.library, nullptr);
    ASSERT_NE(skin.attach, nullptr);
    ASSERT_NE(skin.hsv, nullptr);
    ASSERT_NE(skin.aero, nullptr);
  }
  void TearDown() override {
    library::free_library(skin.library);
    ::unsetenv("SONIVO_DRIVE_C");
  }

  TempFolder drive_c;
  Skin shipped;
  Exports skin;
};

TEST_F(SkinEngineTest, AttachPutsTheSkinOnWindowsMadeLater) {
  ASSERT_EQ(skin.attach("C:\\Windows\\win8.she", ""), 1);
  EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), colour_of(shipped.accent));
  EXPECT_TRUE(qApp->styleSheet().contains(colour_of(shipped.button).name()));

  const Shown later;
  EXPECT_EQ(later.background(), colour_of(shipped.window));
  EXPECT_EQ(later.button_face(), colour_of(shipped.button));
}

TEST_F(SkinEngineTest, UnreadableSkinLeavesTheLookAsItWas) {
  ASSERT_EQ(skin.attach("C:\\Windows\\win8.she", ""), 1);
  const QString before = qApp->styleSheet();
  EXPECT_EQ(skin.attach("C:\\Windows\\missing.she", ""), 0);
  std::ofstream(drive_c.path() / "Windows/plain.she") << "accent=#000000\n";
  EXPECT_EQ(skin.attach("C:\\Windows\\plain.she", ""), 0);
  EXPECT_EQ(skin.attach(nullptr, ""), 0);
  EXPECT_EQ(qApp->styleSheet(), before);
}

TEST_F(SkinEngineTest, HsvShiftCountsFromTheSkinAsLoaded) {
  ASSERT_EQ(skin.attach("C:\\Windows\\win8.she", ""), 1);
  const QColor accent = colour_of(shipped.accent);
  ASSERT_EQ(skin.hsv(-80, 0, 0), 1);
  const QColor tinted_accent = QApplication::palette().color(QPalette::Highlight);
  EXPECT_NEAR(tinted_accent.hsvHue(), accent.hsvHue() - 80, 1);
  EXPECT_EQ(Shown().background(), colour_of(shifted(shipped.window, {-80, 0, 0})));

  ASSERT_EQ(skin.hsv(-80, 0, 0), 1);  // the same again: no further turn
  EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), tinted_accent);
  ASSERT_EQ(skin.hsv(0, 0, -100), 1);
  EXPECT_EQ(QApplication::palette().color(QPalette::Highlight).value(), 0);
  ASSERT_EQ(skin.hsv(0, 0, 0), 1);
  EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), accent);

  // A new attach starts without a shift.
  ASSERT_EQ(skin.hsv(-80, 0, 0), 1);
  ASSERT_EQ(skin.attach("C:\\Windows\\win8.she", ""), 1);
  EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), accent);
}

TEST_F(SkinEngineTest, AeroDressesOpenAndLaterWindows) {
  ASSERT_EQ(skin.attach("C:\\Windows\\win8.she", ""), 1);
  const Shown before;
  auto* own_effect = new QGraphicsOpacityEffect;
  QPushButton with_effect("own effect");
  with_effect.setGraphicsEffect(own_effect);
  with_effect.show();

  ASSERT_EQ(skin.aero(210, 0, 0, 3, 0, 0, 0, 0, 0), 1);
  const Shown after;
  for (const Shown* shown : {&before, &after}) {
    EXPECT_NEAR(shown->dialog->windowOpacity(), 210 / 255.0, 0.005);
    auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(shown->button->graphicsEffect());
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(shadow->blurRadius(), 3);
    EXPECT_EQ(shadow->offset(), QPointF(0, 0));
    EXPECT_EQ(shadow->color(), QColor(0, 0, 0, shipped.shadow_alpha));
  }
  EXPECT_EQ(with_effect.graphicsEffect(), own_effect);

  ASSERT_EQ(skin.aero(0, 2, 4, 6, 255, 0, 0, 2, 1), 1);
  auto* moved = qobject_cast<QGraphicsDropShadowEffect*>(after.button->graphicsEffect());
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(moved->offset(), QPointF(2, 4));
  EXPECT_EQ(moved->color(), QColor(255, 0, 0, shipped.shadow_alpha));
  EXPECT_EQ(after.dialog->windowOpacity(), 1.0);
  EXPECT_TRUE(qApp->styleSheet().contains(QString("border-radius: %1px").arg(shipped.radius + 2)));

  ASSERT_EQ(skin.aero(0, 0, 0, 0, 0, 0, 0, 0, 0), 1);
  EXPECT_EQ(before.button->graphicsEffect(), nullptr);
  EXPECT_EQ(after.button->graphicsEffect(), nullptr);
  EXPECT_EQ(with_effect.graphicsEffect(), own_effect);
}

TEST_F(SkinEngineTest, UnloadedLibraryLeavesTheProgramWorking) {
  ASSERT_EQ(skin.attach("C:\\Windows\\win8.she", ""), 1);
  ASSERT_EQ(skin.aero(210, 0, 0, 3, 0, 0, 0, 0, 0), 1);
  ASSERT_TRUE(skin_library_mapped());
  library::free_library(skin.library);
  skin.library = nullptr;
  EXPECT_FALSE(skin_library_mapped());

  // The watcher went with the library; the look it put on stays.
  const Shown later;
  EXPECT_EQ(later.button->graphicsEffect(), nullptr);
  EXPECT_EQ(later.background(), colour_of(shipped.window));
}

}  // namespace
}  // namespace sonivo::skin
