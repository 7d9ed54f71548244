#pragma once
// The resolve command behind the 解析 button: fetches the sound page named in 编辑框_地址,
// cuts the sound's name, audio address, duration and cover address out of it into
// resolved_sound(), appends a report to 编辑框_信息 and proposes a file name in 编辑框_名称.

#include "text/Text.h"

namespace sonivo {

// The page at `url` as Text: the body up to its first zero byte. The answer's raw header
// block goes to `response_headers` when one is given.
Text fetch_page_text(const Text& url, Text* response_headers = nullptr);

// The click handler. Reports nothing and checks nothing along the way: a failed fetch
// leaves four empty fields and a report with empty values.
void resolve_sound_page();

}  // namespace sonivo
