#pragma once
// The file name proposed for a resolved sound. The title comes from a remote page and the
// download joins the name to the chosen folder, so a title holding "..\" or ":" must not
// lead the file out of that folder: the name is made a plain Windows file name, and one
// short enough for the host's file system.

#include <cstddef>

#include "text/Text.h"

namespace sonivo {

// The longest file name, in bytes of its host (UTF-8) form, that the host's file systems
// accept (NAME_MAX of Linux, and of ext4, btrfs and xfs alike).
inline constexpr std::size_t HOST_NAME_LIMIT = 255;

// `title` with every character a Windows file name cannot hold (\ / : * ? " < > | and
// control characters, DEL included) replaced by "_". A stem of "." or ".." becomes "_" or
// "__". Two-byte GBK characters are kept whole, whatever their trail byte looks like.
Text safe_file_stem(const Text& title);

// The safe stem, cut after its last whole character that still lets the stem and ".mp3"
// fit HOST_NAME_LIMIT bytes on the host, followed by ".mp3".
Text proposed_file_name(const Text& sound_name);

}  // namespace sonivo
