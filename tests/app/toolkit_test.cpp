// The window services over Qt: message boxes, modal windows, the file dialog, picture
// boxes, progress bars and the event pump, against the real widgets.

#include <gtest/gtest.h>
#include <unistd.h>
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app/FileDialogOptions.h"
#include "app/FramePacer.h"
#include "app/QtWindowServices.h"
#include "app/Startup.h"
#include "app/TemplateLoader.h"
#include "app/ToolkitSeams.h"
#include "app/controls/BrowserBox.h"
#include "app/controls/FileDialogBox.h"
#include "app/controls/PictureBox.h"
#include "app/controls/SonivoWindow.h"
#include "core/ControlNames.h"
#include "core/Hosts.h"
#include "core/WindowServices.h"
#include "platform/clock/Clock.h"
#include "preview/ListenWindow.h"
#include "tests/support/gui/GuiTestSupport.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

using namespace testing::gui;

Bytes png_of(int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return Bytes(data.constData(), static_cast<std::size_t>(data.size()));
}

TEST(MessageBox, DefaultTitleAndFlagsPassThrough) {
  ToolkitRecorder recorder;
  toolkit();
  start_toolkit();
  EXPECT_EQ(window_services().message_box(gbk("下载完毕"), 0, std::nullopt), BUTTON_OK);
  recorder.next_message_box_answers = {BUTTON_NO};
  EXPECT_EQ(window_services().message_box(gbk("问"), MB_YESNO | MB_ICONQUESTION, gbk("友情提醒：")),
            BUTTON_NO);
  ASSERT_EQ(recorder.message_boxes.size(), 2u);
  EXPECT_EQ(recorder.message_boxes[0].title, gbk("信息："));
  EXPECT_EQ(recorder.message_boxes[0].flags, 0);
  EXPECT_EQ(recorder.message_boxes[1].title, gbk("友情提醒："));
  EXPECT_EQ(recorder.message_boxes[1].flags, MB_YESNO | MB_ICONQUESTION);
}

TEST(MessageBox, TheRealBoxHasTheButtonsAndIconOfItsFlagsAndReturnsTheButton) {
  toolkit();
  struct Case {
    int flags;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
    QMessageBox::StandardButton press;
    int result;
  };
  using B = QMessageBox;
  const Case cases[] = {
      {MB_OK, B::Ok, B::NoIcon, B::Ok, BUTTON_OK},
      {MB_OKCANCEL | MB_ICONINFORMATION, B::Ok | B::Cancel, B::Information, B::Cancel,
       BUTTON_CANCEL},
      {MB_ABORTRETRYIGNORE | MB_ICONWARNING, B::Abort | B::Retry | B::Ignore, B::Warning, B::Abort,
       BUTTON_ABORT},
      {MB_ABORTRETRYIGNORE, B::Abort | B::Retry | B::Ignore, B::NoIcon, B::Retry, BUTTON_RETRY},
      {MB_ABORTRETRYIGNORE, B::Abort | B::Retry | B::Ignore, B::NoIcon, B::Ignore, BUTTON_IGNORE},
      {MB_YESNOCANCEL | MB_ICONQUESTION, B::Yes | B::No | B::Cancel, B::Question, B::Yes,
       BUTTON_YES},
      {MB_YESNO | MB_ICONERROR, B::Yes | B::No, B::Critical, B::No, BUTTON_NO},
      {MB_RETRYCANCEL, B::Retry | B::Cancel, B::NoIcon, B::Retry, BUTTON_RETRY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    bool seen = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seen = true;
      EXPECT_EQ(box->standardButtons(), c.buttons);
      EXPECT_EQ(box->icon(), c.icon);
      EXPECT_EQ(box->windowTitle(), QStringLiteral("标题"));
      EXPECT_EQ(box->text(), QStringLiteral("正文"));
      box->button(c.press)->click();
    });
    EXPECT_EQ(app::show_message_box({gbk("正文"), c.flags, gbk("标题"), 0}), c.result);
    EXPECT_TRUE(seen);
  }
}

TEST(LoadWindow, ModalDisablesTheOtherWindowsUntilClosedThenRestoresThem) {
  ToolkitRecorder recorder;
  QWidget* main = start_to_main_window();
  QWidget already_disabled;
  already_disabled.setEnabled(false);
  already_disabled.show();
  bool main_was_disabled = false;
  QRect listen_geometry;
  recorder.on_window_shown = [&](const std::string& window) {
    if (window != listen_window::WINDOW) {
      return;
    }
    main_was_disabled = !main->isEnabled();
    QWidget* listen = find_window(listen_window::WINDOW);
    listen_geometry = QRect(listen->pos(), listen->size());
    QTest::keyClick(listen, Qt::Key_Escape);  // Esc closes it
  };
  EXPECT_TRUE(window_services().load_window(listen_window::WINDOW, true));
  EXPECT_TRUE(main_was_disabled);
  EXPECT_TRUE(main->isEnabled());
  EXPECT_FALSE(already_disabled.isEnabled());
  EXPECT_EQ(find_window(listen_window::WINDOW), nullptr);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(listen_geometry, QRect(area.x() + (area.width() - 386) / 2,
                                   area.y() + (area.height() - 71) / 2, 380, 43));
}

// Its created handler has run by the time it shows: the caption and the player address
// are the ones it wrote (nothing resolved here).
TEST(LoadWindow, TheListenWindowIsAsItsTemplateGivesIt) {
  ToolkitRecorder recorder;
  start_to_main_window();
  recorder.on_window_shown = [&](const std::string& window) {
    if (window != listen_window::WINDOW) {
      return;
    }
    QWidget* listen = find_window(listen_window::WINDOW);
    EXPECT_EQ(window_services().text({listen_window::WINDOW, ""}),
              gbk("正在试听： - ") + site_label());
    EXPECT_FALSE(listen->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(listen->windowFlags() & Qt::WindowMaximizeButtonHint);
    auto* browser =
        find_control_as<app::BrowserBox>(listen_window::WINDOW, listen_window::PLAYER_BROWSER);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->geometry(), QRect(10, 8, 360, 27));
    EXPECT_EQ(browser->address(), QString::fromStdString(player_address(Text()).str()));
    EXPECT_EQ(browser->text_size(), 2);
    EXPECT_TRUE(browser->offline());
    EXPECT_TRUE(browser->silent());
    close_window(listen_window::WINDOW);
  };
  EXPECT_TRUE(window_services().load_window(listen_window::WINDOW, true));
  EXPECT_EQ(recorder.shown_windows,
            (std::vector<std::string>{main_window::WINDOW, listen_window::WINDOW}));
}

TEST(LoadWindow, AnOpenWindowIsActivatedNotMadeAgain) {
  ToolkitRecorder recorder;
  QWidget* main = start_to_main_window();
  EXPECT_TRUE(window_services().load_window(main_window::WINDOW, false));
  EXPECT_EQ(find_window(main_window::WINDOW), main);
  EXPECT_EQ(recorder.shown_windows.size(), 1u);
  EXPECT_FALSE(window_services().load_window("NoSuchWindow", false));
}

TEST(CoverWindow, PictureFillsTheBoxAndTheDialogCarriesItsSettings) {
  ToolkitRecorder recorder;
  start_to_main_window();
  const Text filter =
      gbk("“JPEG图片文件（*.jpg）|*.jpg|PNG图片文件（*.png）|*.png|GIF动态图片（*.gif）|*.gif|"
          "BMP图片文件（*.bmp）|*.bmp”");
  ASSERT_EQ(filter.size(), 112u);
  const Bytes tall = png_of(10, 40, Qt::red);
  recorder.next_file_dialog_answers = {{true, Text("/tmp/cover one.png")}, {false, Text()}};
  recorder.on_window_shown = [&](const std::string& window) {
    if (window != cover_window::WINDOW) {
      return;
    }
    EXPECT_EQ(window_services().text({cover_window::WINDOW, ""}),
              gbk("图片展示 - ") + site_label() + gbk(" [ 小贴士：右击图片即可保存到本地喔！]"));
    EXPECT_EQ(find_window(cover_window::WINDOW)->size(), QSize(494, 472));
    auto* picture = find_control_as<app::PictureBox>(cover_window::WINDOW, cover_window::PICTURE);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->geometry(), QRect(-3, -14, 500, 500));
    EXPECT_TRUE(picture->picture().isEmpty());
    auto* dialog =
        find_control_as<app::FileDialogBox>(cover_window::WINDOW, cover_window::SAVE_DIALOG);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), picture);
    EXPECT_TRUE(dialog->isHidden());

    window_services().set_picture({cover_window::WINDOW, cover_window::PICTURE}, tall);
    EXPECT_EQ(window_services().picture({cover_window::WINDOW, cover_window::PICTURE}), tall);
    const QImage shown = picture->grab().toImage();
    EXPECT_EQ(shown.pixelColor(495, 495), QColor(Qt::red));  // stretched, not kept 1:4
    EXPECT_EQ(shown.pixelColor(495, 5), QColor(Qt::red));

    EXPECT_TRUE(
        window_services().run_file_dialog({cover_window::WINDOW, cover_window::SAVE_DIALOG}));
    EXPECT_EQ(window_services().text({cover_window::WINDOW, cover_window::SAVE_DIALOG}),
              Text("/tmp/cover one.png"));
    EXPECT_FALSE(
        window_services().run_file_dialog({cover_window::WINDOW, cover_window::SAVE_DIALOG}));
    EXPECT_EQ(window_services().text({cover_window::WINDOW, cover_window::SAVE_DIALOG}),
              Text("/tmp/cover one.png"));
    close_window(cover_window::WINDOW);
  };
  EXPECT_TRUE(window_services().load_window(cover_window::WINDOW, true));

  ASSERT_EQ(recorder.file_dialogs.size(), 2u);
  const app::FileDialogSettings& first = recorder.file_dialogs[0];
  EXPECT_TRUE(first.save);
  EXPECT_TRUE(first.title.empty());
  EXPECT_EQ(first.filter, filter + Text("||"));
  EXPECT_EQ(first.initial_filter, 1);
  EXPECT_TRUE(first.folder.empty());
  EXPECT_EQ(first.default_extension, Text(".jpg"));
  EXPECT_TRUE(first.file_name.empty());
  EXPECT_EQ(first.options, app::OFN_HIDEREADONLY | app::OFN_CREATEPROMPT | app::OFN_FILEMUSTEXIST |
                               app::OFN_OVERWRITEPROMPT | app::OFN_PATHMUSTEXIST);
  EXPECT_EQ(recorder.file_dialogs[1].file_name, Text("/tmp/cover one.png"));  // proposed again
}

TEST(PictureBox, HandsBackTheBytesWrittenAndPlaysAnimations) {
  ToolkitRecorder recorder;
  start_to_main_window();
  auto* box = find_control_as<app::PictureBox>(main_window::WINDOW, main_window::BANNER);
  ASSERT_NE(box, nullptr);
  QFile gif(SONIVO_TEST_DATA "/app/two-frames.gif");
  ASSERT_TRUE(gif.open(QIODevice::ReadOnly));
  const QByteArray gif_data = gif.readAll();
  struct Case {
    const char* name;
    Bytes bytes;
    bool animated;
    bool shows_picture;
  };
  const Case cases[] = {
      {"animated gif", Bytes(gif_data.constData(), static_cast<std::size_t>(gif_data.size())), true,
       true},
      {"png", png_of(20, 10, Qt::blue), false, true},
      {"an error page", Bytes(std::string("<html>404</html>")), false, false},
      {"nothing", Bytes(), false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window_services().set_picture({main_window::WINDOW, main_window::BANNER}, c.bytes);
    EXPECT_EQ(window_services().picture({main_window::WINDOW, main_window::BANNER}), c.bytes);
    EXPECT_EQ(box->animated(), c.animated);
    EXPECT_EQ(box->animated() || !box->pixmap().isNull(), c.shows_picture);
  }
}

TEST(ProgressBar, PositionIsClampedIntoTheShortRangeThenIntoTheBar) {
  ToolkitRecorder recorder;
  start_to_main_window();
  const std::pair<int, int> cases[] = {{50, 50}, {-5, 0}, {100, 100}, {32767, 100}, {70000, 100}};
  for (const auto& [written, read] : cases) {
    window_services().set_position({main_window::WINDOW, main_window::PROGRESS_BAR}, written);
    EXPECT_EQ(window_services().position({main_window::WINDOW, main_window::PROGRESS_BAR}), read)
        << written;
  }
}

TEST(Labels, TransparentLabelKeepsItsLineBreaks) {
  ToolkitRecorder recorder;
  start_to_main_window();
  select_page(1);
  const Text caption = gbk("已下载：10 KB\r\n进度：5%");
  window_services().set_text({main_window::WINDOW, main_window::PROGRESS_LABEL}, caption);
  EXPECT_EQ(window_services().text({main_window::WINDOW, main_window::PROGRESS_LABEL}), caption);
}

// Makes each flush of the window it watches take `cost` ticks of the test's clock.
class TicksPerFlush : public QObject {
 public:
  TicksPerFlush(uint32_t& now, uint32_t cost) : now_(now), cost_(cost) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::UpdateRequest) {
      now_ += cost_;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  uint32_t& now_;
  uint32_t cost_;
};

// The pacing of the progress bar and the transparent label, step by step on the test's
// own tick count: what the screen shows (the window's backing store) against what the
// controls hold (a fresh rendering).
TEST(FramePacer, WrittenControlsReachTheScreenOnceAFrameAndAllBeforeABox) {
  ToolkitRecorder recorder;
  start_to_main_window();
  select_page(1);
  QWidget* bar = find_control(main_window::WINDOW, main_window::PROGRESS_BAR);
  ASSERT_NE(bar, nullptr);
  QWidget* window = bar->window();
  app::FramePacer& pacer = app::qt_window_services().frame_pacer();
  const uint32_t frame = app::frame_interval_ms(window);
  uint32_t now = 0xFFFFFFF0u;  // the tick count wraps in the middle of the steps
  clock::set_tick_source([&] { return now; });
  const auto shown = [&] {
    const QPoint at = bar->mapTo(window, QPoint(0, 0));
    return window->screen()->grabWindow(window->winId(), at.x(), at.y(), bar->width(),
                                        bar->height());
  };
  const auto held = [&] {
    return window->grab(QRect(bar->mapTo(window, QPoint(0, 0)), bar->size()));
  };
  const auto up_to_date = [&] { return shown().toImage() == held().toImage(); };
  const ControlRef kBar{main_window::WINDOW, main_window::PROGRESS_BAR};
  const ControlRef kLabel{main_window::WINDOW, main_window::PROGRESS_LABEL};
  const long flushes = pacer.flushes();

  // A write is held back, even the first after a long time: the wait that follows it is
  // where it reaches the screen.
  window_services().set_position(kBar, 10);
  EXPECT_EQ(window_services().position(kBar), 10);
  EXPECT_TRUE(pacer.pending());
  EXPECT_FALSE(up_to_date());
  EXPECT_EQ(pacer.while_waiting(), -1);
  EXPECT_FALSE(pacer.pending());
  EXPECT_TRUE(up_to_date());
  EXPECT_EQ(pacer.flushes(), flushes + 1);

  // Within a frame of that flush: held back, and the wait asks to be woken when it is due.
  now += 1;
  window_services().set_position(kBar, 20);
  EXPECT_EQ(pacer.while_waiting(), static_cast<int>(frame) - 1);
  now += frame - 2;
  window_services().set_text(kLabel, gbk("下载进度：20%"));
  EXPECT_EQ(pacer.while_waiting(), 1);
  EXPECT_FALSE(up_to_date());
  now += 1;  // a frame after the flush
  EXPECT_EQ(pacer.while_waiting(), -1);
  EXPECT_TRUE(up_to_date());
  EXPECT_EQ(pacer.flushes(), flushes + 2);

  // No wait comes (answers already in): a write flushes once values have been pending a
  // frame and the last flush is a frame old.
  window_services().set_position(kBar, 30);
  now += frame - 1;
  window_services().set_position(kBar, 31);
  EXPECT_FALSE(up_to_date());
  now += 1;
  window_services().set_position(kBar, 32);
  EXPECT_TRUE(up_to_date());
  EXPECT_FALSE(pacer.pending());
  EXPECT_EQ(pacer.flushes(), flushes + 3);

  // A write that changes nothing leaves nothing pending.
  now += 5 * frame;
  window_services().set_position(kBar, 32);
  window_services().set_text(kLabel, gbk("下载进度：20%"));
  EXPECT_FALSE(pacer.pending());
  EXPECT_EQ(pacer.while_waiting(), -1);

  // A box opens on the last values, however soon after the last flush.
  window_services().set_position(kBar, 33);
  window_services().set_position(kBar, 34);
  bool up_to_date_at_box = false;
  recorder.on_message_box = [&](const app::MessageBoxRequest&) {
    up_to_date_at_box = up_to_date();
  };
  window_services().message_box(gbk("下载完毕"), MB_OK, std::nullopt);
  EXPECT_TRUE(up_to_date_at_box);
  EXPECT_EQ(pacer.flushes(), flushes + 4);
  EXPECT_EQ(window_services().position(kBar), 34);

  // A dear flush spaces the next ones out: after one that took 10 ticks, none for 190.
  TicksPerFlush dear(now, 10);
  window->installEventFilter(&dear);
  now += 5 * frame;
  window_services().set_position(kBar, 40);
  EXPECT_EQ(pacer.while_waiting(), -1);
  window->removeEventFilter(&dear);
  EXPECT_EQ(pacer.spacing_ms(), std::max(frame, 10 * app::FramePacer::FLUSH_SPACING));
  window_services().set_position(kBar, 41);
  now += pacer.spacing_ms() - 1;
  EXPECT_EQ(pacer.while_waiting(), 1);
  EXPECT_FALSE(up_to_date());
  now += 1;
  EXPECT_EQ(pacer.while_waiting(), -1);
  EXPECT_TRUE(up_to_date());
  EXPECT_EQ(pacer.spacing_ms(), frame);  // that flush took no time
  clock::set_tick_source({});
}

// A sound's name from a page goes into the listening window's caption whatever its
// length; the title bar gets a bounded part of it, a read gets all of it back.
TEST(Captions, AHugeCaptionReadsBackWholeWhileTheTitleBarGetsItsStart) {
  ToolkitRecorder recorder;
  QWidget* main = start_to_main_window();
  const std::string huge = gbk("名").str() + std::string(3000000, 'a');
  window_services().set_text({main_window::WINDOW, ""}, Text(huge));
  EXPECT_EQ(window_services().text({main_window::WINDOW, ""}), Text(huge));
  EXPECT_EQ(main->windowTitle().size(), app::SonivoWindow::CAPTION_SHOWN);
  EXPECT_TRUE(main->windowTitle().startsWith(QStringLiteral("名aaa")));
  window_services().set_text({main_window::WINDOW, ""}, gbk("短"));
  EXPECT_EQ(main->windowTitle(), QStringLiteral("短"));
  EXPECT_EQ(window_services().text({main_window::WINDOW, ""}), gbk("短"));
}

TEST(PumpEvents, StopsAtTheQuitRequestAndLeavesItQueued) {
  ToolkitRecorder recorder;
  start_to_main_window();
  QTimer::singleShot(0, [] { close_window(main_window::WINDOW); });
  EXPECT_EQ(app::qt_window_services().run_event_loop(), 0);
  EXPECT_TRUE(app::qt_window_services().quit_requested());
  bool dispatched = false;
  QTimer::singleShot(0, [&] { dispatched = true; });
  window_services().pump_events();
  EXPECT_FALSE(dispatched);
  close_all_windows();
  process_events();
  EXPECT_TRUE(dispatched);
}

TEST(TopLevelWindows, ListsTheProgramsWindowsWithItsProcess) {
  ToolkitRecorder recorder;
  QWidget* main = start_to_main_window();
  bool found = false;
  for (const TopLevelWindow& w : window_services().top_level_windows()) {
    EXPECT_EQ(w.process_id, static_cast<uint32_t>(getpid()));
    if (w.window == reinterpret_cast<WindowHandle>(main)) {
      found = w.visible;
    }
  }
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace sonivo
