#include "platform/files/Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <system_error>

#include "text/AsciiCase.h"
#include "text/Gbk.h"

namespace sonivo::files {
namespace {

namespace fs = std::filesystem;

fs::path home_folder() {
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/tmp");
}

fs::path default_drive_c() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const fs::path base = (data && *data) ? fs::path(data) : home_folder() / ".local" / "share";
  return base / "sonivo-helper" / "drive_c";
}

fs::path drive_root(char letter) {
  const char upper = ascii_upper(letter);
  const std::string variable = std::string("SONIVO_DRIVE_") + upper;
  if (const char* root = std::getenv(variable.c_str()); root && *root) {
    return fs::path(root);
  }
  return upper == 'C' ? default_drive_c() : home_folder();
}

bool is_drive_letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string slashes(std::string path) {
  for (char& c : path) {
    if (c == '\\') {
      c = '/';
    }
  }
  return path;
}

bool is_read_only(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
}

// Opens for writing without truncating and takes the exclusive lock; -1 on failure, with
// the open's errno in `error` when the open itself failed.
int open_locked(const Text& path, int* error = nullptr) {
  if (path.empty()) {
    return -1;
  }
  const fs::path host = host_path(path);
  if (is_read_only(host)) {
    return -1;
  }
  const int fd = ::open(host.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error != nullptr) {
      *error = errno;
    }
    return -1;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool write_all(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

fs::path host_path(const Text& windows_path) {
  const std::string utf8 = utf8_of(windows_path);
  if (utf8.size() >= 2 && is_drive_letter(utf8[0]) && utf8[1] == ':') {
    std::string rest = slashes(utf8.substr(2));
    while (!rest.empty() && rest.front() == '/') {
      rest.erase(0, 1);
    }
    fs::path root = drive_root(utf8[0]);
    if (rest.empty()) {
      return root / "";
    }
    // Keep a trailing separator: "D:\Tavex\" names a folder.
    return root / rest;
  }
  if (!utf8.empty() && utf8[0] == '/') {
    return fs::path(utf8);
  }
  return fs::path(slashes(utf8));
}

void prepare_default_drives() {
  const char* redirected = std::getenv("SONIVO_DRIVE_C");
  if (redirected && *redirected) {
    return;
  }
  std::error_code ignored;
  fs::create_directories(default_drive_c() / "Windows", ignored);
}

bool exists(const Text& path) {
  if (path.empty()) {
    return false;
  }
  std::error_code ignored;
  return fs::exists(host_path(path), ignored);
}

bool is_folder(const Text& path) {
  if (path.empty()) {
    return false;
  }
  std::error_code ignored;
  return fs::is_directory(host_path(path), ignored);
}

bool create_folder(const Text& path) {
  if (path.empty()) {
    return false;
  }
  return ::mkdir(host_path(path).c_str(), 0755) == 0;
}

bool write_whole_file(const Text& path, const Bytes& data) {
  const int fd = open_locked(path);
  if (fd < 0) {
    return false;
  }
  const bool ok = ::ftruncate(fd, 0) == 0 && write_all(fd, data.data().data(), data.size());
  ::close(fd);
  return ok;
}

std::optional<Bytes> read_whole_file(const Text& path) {
  return read_whole_file(path, SIZE_MAX);
}

std::optional<Bytes> read_whole_file(const Text& path, std::size_t limit) {
  const int fd = ::open(host_path(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return std::nullopt;
  }
  Bytes content;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) {
      break;
    }
    if (static_cast<std::size_t>(n) > limit - content.size()) {
      ::close(fd);
      return std::nullopt;
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return content;
}

bool remove_file(const Text& path) {
  if (path.empty() || is_folder(path)) {
    return false;
  }
  return ::unlink(host_path(path).c_str()) == 0;
}

ExclusiveFile::~ExclusiveFile() {
  close();
}

ExclusiveFile::ExclusiveFile(ExclusiveFile&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

ExclusiveFile& ExclusiveFile::operator=(ExclusiveFile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool ExclusiveFile::open_append(const Text& path) {
  close();
  open_error_ = OpenError::None;
  if (is_folder(path)) {
    open_error_ = OpenError::Other;
    return false;
  }
  int error = 0;
  fd_ = open_locked(path, &error);
  if (fd_ < 0) {
    open_error_ = error == ENAMETOOLONG ? OpenError::NameTooLong : OpenError::Other;
  }
  return fd_ >= 0;
}

long long ExclusiveFile::length() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
    return -1;
  }
  return static_cast<long long>(info.st_size);
}

long long ExclusiveFile::modified_ns() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
    return -1;
  }
  return static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
}

bool ExclusiveFile::seek_end() {
  return fd_ >= 0 && ::lseek(fd_, 0, SEEK_END) >= 0;
}

std::optional<Bytes> ExclusiveFile::read_at(long long offset, std::size_t count) const {
  if (fd_ < 0 || offset < 0) {
    return std::nullopt;
  }
  std::string bytes(count, '\0');
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_, bytes.data() + done, count - done,
                              static_cast<off_t>(offset) + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return std::nullopt;
    }
    done += static_cast<std::size_t>(n);
  }
  return Bytes(std::move(bytes));
}

bool ExclusiveFile::append(const void* data, std::size_t size) {
  if (fd_ < 0) {
    return false;
  }
  return size == 0 || write_all(fd_, data, size);
}

bool ExclusiveFile::append(const Bytes& data) {
  return append(data.data().data(), data.size());
}

void ExclusiveFile::close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace sonivo::files
