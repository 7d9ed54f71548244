#include "notice/NoticeBox.h"

#include "notice/WindowList.h"
#include "platform/process/ProcessId.h"
#include "text/Gbk.h"

namespace sonivo {

void notice_box(const Text& message, std::optional<int> style, const std::optional<Text>& title,
                std::optional<WindowHandle> owner) {
  WindowHandle owner_window = owner ? *owner : process_window(current_process_id());
  Text title_text = title ? *title : gbk("友情提醒");
  int style_word = style ? *style : MB_ICONINFORMATION;
  window_services().message_box(message, style_word, title_text, owner_window);
}

}  // namespace sonivo
