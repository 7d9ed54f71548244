// A stand-in skin library for the start-up tests, built under the name "jedata.dll". It
// skins nothing; each call appends one line, the function's name and its arguments
// separated by '|', to the file SONIVO_SKIN_CALL_LOG names, and so does its unloading.

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#if defined(__i386__)
#define RECORDING_CALL __attribute__((stdcall))
#else
#define RECORDING_CALL
#endif

namespace {

void record(const std::string& line) {
  const char* log = std::getenv("SONIVO_SKIN_CALL_LOG");
  if (!log) {
    return;
  }
  const int fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    return;
  }
  const std::string text = line + "\n";
  [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
  ::close(fd);
}

std::string joined(std::initializer_list<int> numbers) {
  std::string text;
  for (int number : numbers) {
    text += "|" + std::to_string(number);
  }
  return text;
}

// Unloading, whether by the program or at the process's end, is recorded too.
__attribute__((destructor)) void unloaded() {
  record("unloaded");
}

}  // namespace

extern "C" {

int RECORDING_CALL SkinH_AttachEx(const char* skin_path, const char* second) {
  record(std::string("SkinH_AttachEx|") + (skin_path ? skin_path : "(null)") + "|" +
         (second ? second : "(null)"));
  return 1;
}

int RECORDING_CALL SkinH_AdjustHSV(int hue, int saturation, int value) {
  record("SkinH_AdjustHSV" + joined({hue, saturation, value}));
  return 1;
}

int RECORDING_CALL SkinH_AdjustAero(int a, int b, int c, int d, int e, int f, int g, int h, int i) {
  record("SkinH_AdjustAero" + joined({a, b, c, d, e, f, g, h, i}));
  return 1;
}
}
