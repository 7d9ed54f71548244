#pragma once
// Windows paths on the host. "X:\rest" maps to the drive's root folder (SONIVO_DRIVE_X when
// set; C: defaults to $XDG_DATA_HOME/sonivo-helper/drive_c, every other drive to the home
// folder) followed by `rest` with "\" turned into "/". A host-absolute path is used as it
// is; anything else is relative to the current folder. Host names are UTF-8.
//
// Every open that writes takes an exclusive advisory lock (flock), so a second exclusive
// open of the same file, from this or another process, fails while the first is open.
// A file without its owner's write permission counts as read-only, as a file with the
// read-only attribute does on Windows: write opens fail on it, even for root.

#include <filesystem>
#include <optional>

#include "text/Text.h"

namespace sonivo::files {

std::filesystem::path host_path(const Text& windows_path);

// Creates the default C: root and its Windows folder when C: is not redirected.
void prepare_default_drives();

bool exists(const Text& path);  // a file or a folder
bool is_folder(const Text& path);
// Creates one folder level; false when it cannot.
bool create_folder(const Text& path);

// Creates the file or truncates it (only once the exclusive lock is held, so a file in
// use is left as it was), writes every byte, closes. False on any failure.
bool write_whole_file(const Text& path, const Bytes& data);

std::optional<Bytes> read_whole_file(const Text& path);
// The same, but nothing (nullopt) when the file holds more than `limit` bytes, so that a
// small file of our own cannot be replaced by something that fills memory.
std::optional<Bytes> read_whole_file(const Text& path, std::size_t limit);

// Removes a file (never a folder); false when there was none or it cannot be removed.
bool remove_file(const Text& path);

// Why the last open of an ExclusiveFile failed.
enum class OpenError {
  None,
  NameTooLong,  // a name in the path, or the whole path, is longer than the host allows
  Other,
};

// A file opened for appending with no sharing: created when missing, contents kept.
class ExclusiveFile {
 public:
  ExclusiveFile() = default;
  ~ExclusiveFile();
  ExclusiveFile(const ExclusiveFile&) = delete;
  ExclusiveFile& operator=(const ExclusiveFile&) = delete;
  ExclusiveFile(ExclusiveFile&& other) noexcept;
  ExclusiveFile& operator=(ExclusiveFile&& other) noexcept;

  // False (and nothing opened) when the path is empty, a folder, read-only, or locked.
  bool open_append(const Text& path);
  OpenError open_error() const { return open_error_; }
  bool is_open() const { return fd_ >= 0; }
  // Length in bytes; -1 when it cannot be read.
  long long length() const;
  // Time of the last change of the content, in nanoseconds since 1970; -1 when unknown.
  long long modified_ns() const;
  bool seek_end();
  // `count` bytes from `offset`; nullopt when they cannot all be read.
  std::optional<Bytes> read_at(long long offset, std::size_t count) const;
  // Writes every byte (an empty buffer writes nothing); false on a short or failed write.
  bool append(const Bytes& data);
  bool append(const void* data, std::size_t size);
  void close();

 private:
  int fd_ = -1;
  OpenError open_error_ = OpenError::None;
};

}  // namespace sonivo::files
