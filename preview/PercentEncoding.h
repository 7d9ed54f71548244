#pragma once

#include "text/Text.h"

namespace sonivo {

// The text's characters as UTF-8, every byte outside the unreserved set
// (A-Z a-z 0-9 - . _ ~) written as %XX, as a query value is read by a web page.
Text percent_encode(const Text& text);

}  // namespace sonivo
