#pragma once
// A notice: a modal message box owned by the tool's own visible window.

#include <optional>

#include "core/WindowServices.h"
#include "text/Text.h"

namespace sonivo {

// Absent style: MB_ICONINFORMATION; absent title: "友情提醒"; absent owner: the first
// visible top-level window of this process, 0 when there is none.
void notice_box(const Text& message, std::optional<int> style = std::nullopt,
                const std::optional<Text>& title = std::nullopt,
                std::optional<WindowHandle> owner = std::nullopt);

}  // namespace sonivo
