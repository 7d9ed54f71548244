#pragma once
// How a failed assertion shows a Text: its characters in UTF-8 between quotes, rather
// than GoogleTest's dump of the object's bytes.

#include <ostream>

#include "text/Gbk.h"
#include "text/Text.h"

namespace sonivo {

inline void PrintTo(const Text& text, std::ostream* out) {
  *out << '"' << utf8_of(text) << '"';
}

}  // namespace sonivo
