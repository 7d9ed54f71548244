#include "download/ResumeRecordFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/files/Files.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

constexpr char RECORD_SUFFIX[] = ".sonivo-part";
// The longest file name the host holds, in bytes of its UTF-8 form.
constexpr std::size_t HOST_NAME_MAX_BYTES = 255;

// FNV-1a, enough to tell apart the long names that share a head.
uint32_t name_hash(const std::string& name) {
  uint32_t hash = 2166136261u;
  for (const char c : name) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  }
  return hash;
}

// The head of `utf8` in at most `limit` bytes, cut before a character's first byte.
std::string utf8_head(const std::string& utf8, std::size_t limit) {
  std::size_t cut = std::min(limit, utf8.size());
  while (cut > 0 && cut < utf8.size() && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  return utf8.substr(0, cut);
}

}  // namespace

// A download's name may already fill the host's limit (long titles are proposed cut to
// fit it); the record's name then keeps a head of it and a hash of the whole, so it
// still fits and still belongs to that one file.
Text resume_record_path(const Text& target_file) {
  const std::string path = utf8_of(target_file);
  const std::size_t name_at = path.find_last_of("\\/") + 1;  // npos + 1 is 0
  const std::string name = path.substr(name_at);
  const std::size_t suffix_size = sizeof RECORD_SUFFIX - 1;
  if (name.size() + suffix_size <= HOST_NAME_MAX_BYTES) {
    return target_file + Text(RECORD_SUFFIX);
  }
  char hash[10];
  std::snprintf(hash, sizeof hash, "~%08x", static_cast<unsigned>(name_hash(name)));
  const std::string head = utf8_head(name, HOST_NAME_MAX_BYTES - suffix_size - (sizeof hash - 1));
  return gbk(path.substr(0, name_at) + head + hash + RECORD_SUFFIX);
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
