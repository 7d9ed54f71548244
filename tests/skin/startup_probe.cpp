// The program's own start-up, run as the program runs it, with its two hand-overs to the
// user answered: every message box is recorded and dismissed with OK, and each window,
// once shown, is recorded with the look in force; MainWindow is then closed, so the
// program ends by the road it takes when the user closes it; its end is recorded last. Lines go to
// the file that SONIVO_PROBE_REPORT names (the same file as the recording skin library's log, so
// the two interleave in the order things happened).

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QPalette>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <string>

#include "app/QtWindowServices.h"
#include "app/Startup.h"
#include "app/ToolkitSeams.h"
#include "text/Gbk.h"

namespace {

void report(const std::string& line) {
  const char* path = std::getenv("SONIVO_PROBE_REPORT");
  if (!path) {
    return;
  }
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    return;
  }
  const std::string text = line + "\n";
  [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
  ::close(fd);
}

// Line breaks inside a box text would split the record.
std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  sonivo::app::set_message_box_presenter([](const sonivo::app::MessageBoxRequest& request) {
    report("box|" + sonivo::utf8_of(request.title) + "|" + escaped(sonivo::utf8_of(request.text)));
    return sonivo::BUTTON_OK;
  });
  sonivo::app::set_window_shown_observer([](const std::string& window) {
    report("shown|" + window);
    report("highlight|" + QApplication::palette().color(QPalette::Highlight).name().toStdString());
    if (window == "MainWindow") {
      QTimer::singleShot(0, [] {
        if (QWidget* main = sonivo::app::qt_window_services().widget({"MainWindow", ""})) {
          main->close();
        }
      });
    }
  });
  const int code = sonivo::run_program(argc, argv);
  report("program ended");
  return code;
}
