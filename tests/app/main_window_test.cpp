// MainWindow as its template builds it, and what its own bindings do.

#include <gtest/gtest.h>
#include <httplib.h>
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

#include "app/QtWindowServices.h"
#include "app/TemplateLoader.h"
#include "app/controls/BrowserBox.h"
#include "app/controls/PictureBox.h"
#include "app/controls/TabControl.h"
#include "app/controls/Timer.h"
#include "app/controls/TransparentLabel.h"
#include "core/ControlNames.h"
#include "core/Hosts.h"
#include "core/WindowServices.h"
#include "tests/support/gui/GuiTestSupport.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

using namespace testing::gui;

Text text_of(const std::string& control) {
  return window_services().text({main_window::WINDOW, control});
}

struct ControlRow {
  const char* name;
  const char* kind;  // the widget's class
  int page;          // -1: on the window; 0..2: a page of 选择夹1
  QRect geometry;
  std::string text;  // caption, initial text or address; "*" for no text to check
  std::function<void(QWidget*)> settings;
};

TEST(MainWindow, EveryControlIsAsTheTemplateGivesIt) {
  ToolkitRecorder recorder;
  start_to_main_window();
  const std::string maker = utf8_of(maker_site_host());
  const std::string community = utf8_of(community_host());

  const std::vector<ControlRow> rows = {
      {main_window::BANNER,
       "sonivo::app::PictureBox",
       -1,
       {-3, 0, 470, 152},
       "*",
       [](QWidget* w) {
         auto* box = qobject_cast<app::PictureBox*>(w);
         const QImage banner = QImage::fromData(box->picture(), "PNG");
         EXPECT_EQ(banner.size(), QSize(470, 153));
         EXPECT_FALSE(box->stretch());
         EXPECT_EQ(box->frameShape(), QFrame::NoFrame);
       }},
      {main_window::TABS,
       "sonivo::app::TabControl",
       -1,
       {0, 152, 470, 285},
       "*",
       [](QWidget* w) {
         auto* tabs = qobject_cast<app::TabControl*>(w);
         ASSERT_EQ(tabs->page_count(), 3);
         EXPECT_EQ(tabs->tab_bar()->tabText(0), QStringLiteral("在线解析"));
         EXPECT_EQ(tabs->tab_bar()->tabText(1), QStringLiteral("下载中心"));
         EXPECT_EQ(tabs->tab_bar()->tabText(2), QStringLiteral("关于作者"));
         EXPECT_EQ(tabs->tab_bar()->shape(), QTabBar::RoundedNorth);
         EXPECT_EQ(tabs->current_page(), 0);
         EXPECT_TRUE(tabs->page(0)->isVisible());
         EXPECT_FALSE(tabs->page(1)->isVisible());
         EXPECT_FALSE(tabs->page(2)->isVisible());
       }},
      {main_window::ADDRESS_BOX,
       "QLineEdit",
       0,
       {15, 32, 360, 24},
       "http://" + community + "/sound/4752",
       [](QWidget* w) { EXPECT_FALSE(qobject_cast<QLineEdit*>(w)->isReadOnly()); }},
      {main_window::RESOLVE_BUTTON, "QPushButton", 0, {383, 32, 75, 24}, "一键解析", {}},
      {main_window::INFO_BOX,
       "QPlainTextEdit",
       0,
       {10, 61, 450, 190},
       "",
       [](QWidget* w) {
         auto* edit = qobject_cast<QPlainTextEdit*>(w);
         EXPECT_FALSE(edit->isReadOnly());
         EXPECT_EQ(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
         EXPECT_EQ(edit->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
         // A page value without a break in it must not take the layout quadratic time.
         EXPECT_EQ(edit->wordWrapMode(), QTextOption::WrapAnywhere);
       }},
      {main_window::LISTEN_BUTTON, "QPushButton", 0, {9, 256, 100, 24}, "在线试听", {}},
      {main_window::COVER_BUTTON, "QPushButton", 0, {120, 256, 100, 24}, "查看封面", {}},
      {main_window::HINT_LABEL, "QLabel", 0, {232, 256, 112, 24}, "Tavex / 2014-12-11", {}},
      {main_window::FEEDBACK_BUTTON, "QPushButton", 0, {353, 256, 100, 24}, "反馈建议", {}},
      {main_window::FOLDER_LABEL, "QLabel", 1, {19, 35, 64, 24}, "下载路径：", {}},
      {main_window::FOLDER_BOX,
       "QLineEdit",
       1,
       {98, 36, 320, 24},
       "D:\\Tavex\\",
       [](QWidget* w) { EXPECT_FALSE(qobject_cast<QLineEdit*>(w)->isReadOnly()); }},
      {main_window::NAME_LABEL, "QLabel", 1, {20, 77, 64, 24}, "文件名称：", {}},
      {main_window::NAME_BOX,
       "QLineEdit",
       1,
       {97, 77, 320, 24},
       "",
       [](QWidget* w) { EXPECT_FALSE(qobject_cast<QLineEdit*>(w)->isReadOnly()); }},
      {main_window::PROGRESS_LABEL,
       "sonivo::app::TransparentLabel",
       1,
       {115, 116, 240, 56},
       "",
       [](QWidget* w) { EXPECT_FALSE(w->autoFillBackground()); }},
      {main_window::PROGRESS_BAR,
       "QProgressBar",
       1,
       {34, 184, 402, 28},
       "*",
       [](QWidget* w) {
         auto* bar = qobject_cast<QProgressBar*>(w);
         EXPECT_EQ(bar->minimum(), 0);
         EXPECT_EQ(bar->maximum(), 100);
         EXPECT_EQ(bar->value(), 0);
       }},
      {main_window::DOWNLOAD_BUTTON, "QPushButton", 1, {119, 223, 224, 40}, "下载", {}},
      {main_window::TIMER,
       "sonivo::app::Timer",
       1,
       {424, 224, 32, 32},
       "*",
       [](QWidget* w) {
         EXPECT_EQ(qobject_cast<app::Timer*>(w)->interval(), 0);
         EXPECT_TRUE(w->isHidden());
       }},
      {main_window::CANCEL_BUTTON,
       "QPushButton",
       1,
       {384, 253, 72, 25},
       "取消下载",
       [](QWidget* w) { EXPECT_FALSE(w->isEnabled()); }},
      {main_window::ABOUT_BROWSER,
       "sonivo::app::BrowserBox",
       2,
       {10, 29, 450, 243},
       "http://" + maker + "/a/jx.html",
       [](QWidget* w) {
         auto* browser = qobject_cast<app::BrowserBox*>(w);
         EXPECT_EQ(browser->text_size(), 2);
         EXPECT_TRUE(browser->offline());
         EXPECT_TRUE(browser->silent());
         EXPECT_TRUE(browser->started());  // navigated at creation, page 3 hidden or not
       }},
  };

  auto* tabs = find_control_as<app::TabControl>(main_window::WINDOW, main_window::TABS);
  ASSERT_NE(tabs, nullptr);
  for (const ControlRow& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget* w = find_control(main_window::WINDOW, row.name);
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(w->metaObject()->className(), row.kind);
    QWidget* expected_parent =
        row.page < 0 ? find_window(main_window::WINDOW) : tabs->page(row.page);
    EXPECT_EQ(w->parentWidget(), expected_parent);
    // A page covers the whole tab control, so positions on it are the tab control's.
    if (row.page >= 0) {
      EXPECT_EQ(tabs->page(row.page)->geometry(), QRect(QPoint(0, 0), tabs->size()));
    }
    EXPECT_EQ(w->geometry(), row.geometry);
    if (row.text != "*") {
      EXPECT_EQ(text_of(row.name), gbk(row.text));
    }
    if (row.settings) {
      row.settings(w);
    }
  }
}

TEST(MainWindow, IsCentredWithAFixedBorderAndTheSiteInItsCaption) {
  ToolkitRecorder recorder;
  QWidget* window = start_to_main_window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(text_of(""), gbk("Sonivo音乐社区App 下载/外链 解析助手 - ") + site_label());
  EXPECT_EQ(window->size() + app::WINDOW_FRAME, QSize(470, 465));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(window->pos(),
            QPoint(area.x() + (area.width() - 470) / 2, area.y() + (area.height() - 465) / 2));
  EXPECT_TRUE(window->isVisible());
}

TEST(MainWindow, BannerPressAndFeedbackButtonOpenTheSameAddressEachTime) {
  ToolkitRecorder recorder;
  start_to_main_window();
  press(main_window::WINDOW, main_window::BANNER, Qt::LeftButton, QPoint(400, 140));
  click(main_window::WINDOW, main_window::FEEDBACK_BUTTON);
  click(main_window::WINDOW, main_window::FEEDBACK_BUTTON);
  const Text expected =
      Text("http://") + maker_site_host() + Text("/sonivo-app-jiexi.html?frome=sonivo_jiexi_v1.2");
  ASSERT_EQ(recorder.opened_urls.size(), 3u);
  for (const Text& url : recorder.opened_urls) {
    EXPECT_EQ(url, expected);
  }
  // A right press on the banner is bound to nothing.
  press(main_window::WINDOW, main_window::BANNER, Qt::RightButton);
  EXPECT_EQ(recorder.opened_urls.size(), 3u);
  EXPECT_TRUE(recorder.message_boxes.empty());
}

TEST(MainWindow, CancelDoesNothingOnceEnabled) {
  ToolkitRecorder recorder;
  start_to_main_window();
  select_page(1);
  window_services().set_disabled({main_window::WINDOW, main_window::CANCEL_BUTTON}, false);
  const char* controls[] = {main_window::ADDRESS_BOX,     main_window::INFO_BOX,
                            main_window::FOLDER_BOX,      main_window::NAME_BOX,
                            main_window::PROGRESS_LABEL,  main_window::CANCEL_BUTTON,
                            main_window::DOWNLOAD_BUTTON, ""};
  auto snapshot = [&] {
    std::vector<std::pair<Text, bool>> state;
    for (const char* c : controls) {
      state.emplace_back(text_of(c), window_services().disabled({main_window::WINDOW, c}));
    }
    state.emplace_back(Text(std::to_string(window_services().position(
                           {main_window::WINDOW, main_window::PROGRESS_BAR}))),
                       false);
    return state;
  };
  const auto before = snapshot();
  click(main_window::WINDOW, main_window::CANCEL_BUTTON);
  process_events();
  EXPECT_EQ(snapshot(), before);
  EXPECT_FALSE(window_services().disabled({main_window::WINDOW, main_window::CANCEL_BUTTON}));
  EXPECT_TRUE(recorder.message_boxes.empty());
  EXPECT_TRUE(recorder.opened_urls.empty());
  EXPECT_EQ(recorder.shown_windows, std::vector<std::string>{main_window::WINDOW});
}

TEST(MainWindow, AppendingKeepsTheEndOfTheInfoBoxInView) {
  ToolkitRecorder recorder;
  start_to_main_window();
  auto* info = find_control_as<QPlainTextEdit>(main_window::WINDOW, main_window::INFO_BOX);
  ASSERT_NE(info, nullptr);
  QTest::keyClicks(info, "typed");
  EXPECT_EQ(text_of(main_window::INFO_BOX), Text("typed"));
  info->moveCursor(QTextCursor::Start);
  for (int i = 0; i < 60; ++i) {
    window_services().append_text({main_window::WINDOW, main_window::INFO_BOX},
                                  gbk("第") + Text(std::to_string(i)) + gbk("行\r\n"));
  }
  QScrollBar* bar = info->verticalScrollBar();
  EXPECT_GT(bar->value(), 0);  // scrolled although it shows no scroll bar
  EXPECT_EQ(info->textCursor().position(), info->document()->characterCount() - 1);
  // The last line written and the caret after it are both inside the visible area.
  EXPECT_TRUE(info->viewport()->rect().contains(info->cursorRect()));
  QTextCursor last_line = info->textCursor();
  last_line.movePosition(QTextCursor::PreviousBlock);
  EXPECT_TRUE(info->viewport()->rect().contains(info->cursorRect(last_line)));
  const Text all = text_of(main_window::INFO_BOX);
  EXPECT_TRUE(all.str().starts_with("typed" + gbk("第0行\r\n").str()));
  EXPECT_TRUE(all.str().ends_with(gbk("第59行\r\n").str()));
}

TEST(MainWindow, ClosingTheWindowInsideAHandlerThatPumpsEventsIsHarmless) {
  ToolkitRecorder recorder;
  start_to_main_window();
  QPointer<QWidget> window = find_window(main_window::WINDOW);
  bool ran = false;
  Text read_after_close = Text("not read");
  window_services().bind(
      {main_window::WINDOW, main_window::RESOLVE_BUTTON}, Event::Clicked, [&](const EventArgs&) {
        window_services().append_text({main_window::WINDOW, main_window::INFO_BOX}, Text("before"));
        QTimer::singleShot(0, [] { close_window(main_window::WINDOW); });
        for (int i = 0; i < 5; ++i) {
          window_services().pump_events();
        }
        read_after_close = window_services().text({main_window::WINDOW, main_window::INFO_BOX});
        window_services().set_text({main_window::WINDOW, main_window::NAME_BOX}, Text("x.mp3"));
        window_services().append_text({main_window::WINDOW, main_window::INFO_BOX}, Text("after"));
        window_services().set_position({main_window::WINDOW, main_window::PROGRESS_BAR}, 50);
        window_services().set_disabled({main_window::WINDOW, main_window::CANCEL_BUTTON}, false);
        EXPECT_FALSE(window_services().disabled({main_window::WINDOW, main_window::CANCEL_BUTTON}));
        EXPECT_TRUE(window_services().picture({main_window::WINDOW, main_window::BANNER}).empty());
        EXPECT_FALSE(window_services().run_file_dialog({main_window::WINDOW, "通用对话框1"}));
        EXPECT_FALSE(window.isNull());  // still alive while the handler runs
        ran = true;
      });
  click(main_window::WINDOW, main_window::RESOLVE_BUTTON);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(read_after_close.empty());
  EXPECT_EQ(find_window(main_window::WINDOW), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  process_events();
  EXPECT_TRUE(window.isNull());
}

TEST(MainWindow, TheAboutPageIsRequestedAtStartOnAHiddenPage) {
  httplib::Server server;
  std::atomic<int> about_requests{0};
  server.Get("/a/jx.html", [&](const httplib::Request&, httplib::Response& response) {
    ++about_requests;
    response.set_content("<html><body>about</body></html>", "text/html");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread serving([&] { server.listen_after_bind(); });
  const std::string host = "127.0.0.1:" + std::to_string(port);
  setenv("SONIVO_MAKER_SITE_HOST", host.c_str(), 1);

  ToolkitRecorder recorder;
  start_to_main_window();
  EXPECT_EQ(text_of(main_window::ABOUT_BROWSER), Text("http://" + host + "/a/jx.html"));
  // Bounded wait for the browser process to ask; no assertion on how long it took.
  for (int i = 0; i < 300 && about_requests == 0; ++i) {
    QTest::qWait(100);
  }
  EXPECT_GE(about_requests.load(), 1);

  close_all_windows();
  setenv("SONIVO_MAKER_SITE_HOST", "127.0.0.1:9", 1);
  server.stop();
  serving.join();
}

}  // namespace
}  // namespace sonivo
