#include "platform/library/Library.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/files/Files.h"
#include "text/Gbk.h"

namespace sonivo::library {

struct LoadedLibrary {
  void* module = nullptr;
  int locked_file = -1;
};

namespace {

namespace fs = std::filesystem;

fs::path& program_folder_override() {
  static fs::path folder;
  return folder;
}

bool is_plain_name(const std::string& name) {
  return name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
         name.find(':') == std::string::npos;
}

bool is_file(const fs::path& path) {
  std::error_code ignored;
  return fs::is_regular_file(path, ignored);
}

void add_path_folders(std::vector<fs::path>& folders) {
  const char* path = std::getenv("PATH");
  if (!path) {
    return;
  }
  const std::string list(path);
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(':', start), list.size());
    if (end > start) {
      folders.emplace_back(list.substr(start, end - start));
    }
    start = end + 1;
  }
}

}  // namespace

fs::path program_folder() {
  if (!program_folder_override().empty()) {
    return program_folder_override();
  }
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::current_path(error) : executable.parent_path();
}

void set_program_folder(const fs::path& folder) {
  program_folder_override() = folder;
}

std::vector<fs::path> search_folders() {
  std::vector<fs::path> folders{
      program_folder(),
      files::host_path(Text("C:\\Windows\\System32")),
      files::host_path(Text("C:\\Windows\\System")),
      files::host_path(Text("C:\\Windows")),
  };
  std::error_code error;
  const fs::path current = fs::current_path(error);
  if (!error) {
    folders.push_back(current);
  }
  add_path_folders(folders);
  return folders;
}

LibraryHandle load_library_file(const fs::path& host_file) {
  if (!is_file(host_file)) {
    return nullptr;
  }
  const int fd = ::open(host_file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return nullptr;
  }
  if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  // An absolute path keeps dlopen from searching on its own.
  const fs::path absolute = fs::absolute(host_file);
  void* module = ::dlopen(absolute.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    ::close(fd);
    return nullptr;
  }
  return new LoadedLibrary{module, fd};
}

LibraryHandle load_library(const Text& name) {
  const std::string utf8 = utf8_of(name);
  if (utf8.empty()) {
    return nullptr;
  }
  if (!is_plain_name(utf8)) {
    return load_library_file(files::host_path(name));
  }
  for (const fs::path& folder : search_folders()) {
    if (LibraryHandle library = load_library_file(folder / utf8)) {
      return library;
    }
  }
  return nullptr;
}

void* find_function(LibraryHandle library, const char* name) {
  if (!library || !name) {
    return nullptr;
  }
  return ::dlsym(library->module, name);
}

void free_library(LibraryHandle library) {
  if (!library) {
    return;
  }
  ::dlclose(library->module);
  ::close(library->locked_file);
  delete library;
}

}  // namespace sonivo::library
