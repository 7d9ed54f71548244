#include "download/ResumeRecordFile.h"

#include "platform/files/Files.h"

namespace sonivo {

Text resume_record_path(const Text& target_file) {
  return target_file + Text(".sonivo-part");
}

std::optional<ResumeRecord> load_resume_record(const Text& target_file) {
  const std::optional<Bytes> stored =
      files::read_whole_file(resume_record_path(target_file), MAX_RESUME_RECORD_SIZE);
  if (!stored) {
    return std::nullopt;
  }
  return parse_resume_record(stored->data());
}

bool save_resume_record(const Text& target_file, const ResumeRecord& record) {
  const Text path = resume_record_path(target_file);
  if (files::write_whole_file(path, Bytes(format_resume_record(record)))) {
    return true;
  }
  files::remove_file(path);
  return !files::exists(path);
}

void remove_resume_record(const Text& target_file) {
  files::remove_file(resume_record_path(target_file));
}

}  // namespace sonivo
