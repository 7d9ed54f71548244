#pragma once
// The file name proposed for a resolved sound. The title comes from a remote page and the
// download joins the name to the chosen folder, so a title holding "..\" or ":" must not
// lead the file out of that folder: the name is made a plain Windows file name.

#include "text/Text.h"

namespace sonivo {

// `title` with every character a Windows file name cannot hold (\ / : * ? " < > | and
// control characters) replaced by "_". A stem of "." or ".." becomes "_" or "__".
// Two-byte GBK characters are kept whole, whatever their trail byte looks like.
Text safe_file_stem(const Text& title);

// The safe stem followed by ".mp3".
Text proposed_file_name(const Text& sound_name);

}  // namespace sonivo
