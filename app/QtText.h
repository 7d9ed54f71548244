#pragma once
// GBK Text and Qt's UTF-16 strings meet here and nowhere else.

#include <QString>

#include "text/Gbk.h"

namespace sonivo::app {

inline QString qt(const Text& text) {
  return QString::fromStdU16String(utf16_of(text));
}

inline Text gbk_text(const QString& text) {
  return gbk_of_utf16(text.toStdU16String());
}

}  // namespace sonivo::app
