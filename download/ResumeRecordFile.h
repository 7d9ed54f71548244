#pragma once
// Where a download's resume record lives: a small companion file beside the download,
// named after it with ".sonivo-part" added ("晴天.mp3" has "晴天.mp3.sonivo-part"; a name
// too long for that is shortened, with a hash of the whole), as browsers keep a partial
// download's state beside it.
//
// Beside the file rather than elsewhere because the record is about that file: it goes
// where the file goes when the user moves the folder, it is in plain sight when the user
// wonders what it is, and the program keeps no settings or state of its own anywhere
// else. The download keeps its own name and bytes (nothing is added to it, nothing
// renamed at the end), and the record is removed when the download completes, so a
// finished download leaves nothing to clean up.
//
// Only a run that holds the download's exclusive lock reads or writes the record.

#include <optional>

#include "download/ResumeRecord.h"
#include "text/Text.h"

namespace sonivo {

Text resume_record_path(const Text& target_file);

// The record beside `target_file`; nothing when there is none or it is not one of ours.
std::optional<ResumeRecord> load_resume_record(const Text& target_file);

// Writes the record. When it cannot be written, removes any older one, so no stale
// record can vouch for the bytes that follow; false when even that fails (a record that
// is not this one may then remain).
bool save_resume_record(const Text& target_file, const ResumeRecord& record);

void remove_resume_record(const Text& target_file);

}  // namespace sonivo
