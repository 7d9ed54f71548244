#pragma once
// What tests/data/sound_page.html resolves to, written out byte for byte.

#include "text/Gbk.h"

namespace sonivo::testing {

inline Text sound_page_report() {
  return gbk(
      "=========================================================================\r\n\r\n"
      "声音名称：夜空中最亮的星（钢琴版）\r\n\r\n"
      "声音时长：04:12\r\n\r\n"
      "声音封面：https://img.sonivo.example/cover/2019/05/8842_640x640.jpg\r\n\r\n"
      "Sonivo链接：https://audio.sonivo.example/sound/2019/05/8842.mp3?sign=7f3a9c&amp;"
      "t=1558400000\r\n\r\n"
      "=========================================================================\r\n");
}

inline Text sound_page_file_name() {
  return gbk("夜空中最亮的星（钢琴版）.mp3");
}

}  // namespace sonivo::testing
