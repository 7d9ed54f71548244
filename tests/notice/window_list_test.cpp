// The visible-window enumeration and the notice box over recording window services.

#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "notice/NoticeBox.h"
#include "notice/WindowList.h"
#include "tests/support/RecordingWindowServices.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

class WindowList : public ::testing::Test {
 protected:
  WindowList() {
    windows.windows = {{7, true, 900}, {8, false, ours}, {9, true, ours}, {10, true, ours}};
  }
  const uint32_t ours = static_cast<uint32_t>(getpid());
  testing::RecordingWindowServices windows;
};

TEST_F(WindowList, ListsVisibleWindowsInEnumerationOrderAndEmptiesTheScratch) {
  std::vector<WindowEntry> scratch;
  window_scratch = &scratch;
  std::vector<WindowEntry> list = {{1, 1}};
  list_visible_windows(list);
  window_scratch = nullptr;
  const std::vector<WindowEntry> expected = {{7, 900}, {9, ours}, {10, ours}};
  EXPECT_EQ(list, expected);
  EXPECT_TRUE(scratch.empty());
}

TEST_F(WindowList, WorksWithoutTheProgramWideScratch) {
  ASSERT_EQ(window_scratch, nullptr);
  std::vector<WindowEntry> list;
  list_visible_windows(list);
  EXPECT_EQ(list.size(), 3u);
  EXPECT_EQ(process_window(ours), 9u);
}

TEST_F(WindowList, ProcessWindowIsTheFirstVisibleOneOfTheProcess) {
  EXPECT_EQ(process_window(ours), 9u);
  EXPECT_EQ(process_window(900), 7u);
  EXPECT_EQ(process_window(12345678), 0u);
  windows.windows.clear();
  EXPECT_EQ(process_window(ours), 0u);
}

TEST_F(WindowList, NoticeBoxFillsInTheAbsentArguments) {
  notice_box(gbk("提示"));
  notice_box(gbk("提示"), MB_ICONWARNING, gbk("标题"), WindowHandle{42});
  windows.windows.clear();
  notice_box(gbk("无窗口"));
  ASSERT_EQ(windows.message_boxes.size(), 3u);
  EXPECT_EQ(windows.message_boxes[0].text, gbk("提示"));
  EXPECT_EQ(windows.message_boxes[0].flags, MB_ICONINFORMATION);
  EXPECT_EQ(windows.message_boxes[0].title, gbk("友情提醒"));
  EXPECT_EQ(windows.message_boxes[0].owner, 9u);
  EXPECT_EQ(windows.message_boxes[1].flags, MB_ICONWARNING);
  EXPECT_EQ(windows.message_boxes[1].title, gbk("标题"));
  EXPECT_EQ(windows.message_boxes[1].owner, 42u);
  EXPECT_EQ(windows.message_boxes[2].owner, 0u);
}

}  // namespace
}  // namespace sonivo
