// The program's own start-up, run as the program runs it, with its two hand-overs to the
// user answered: every message box is recorded and dismissed with OK, and each window,
// once shown, is recorded with the look in force; MainWindow is then closed, so the
// program ends by the road it takes when the user closes it; its end is recorded last. Lines go to
// the file that SONIVO_PROBE_REPORT names (the same file as the recording skin library's log, so
// the two interleave in the order things happened).
//
// With SONIVO_PROBE_OPEN_PREVIEWS set, the probe first gives the program a resolve result
// that points at a closed loopback port and clicks 在线收听 and 查看封面, closing each
// preview window once it is shown, before it closes MainWindow.

#include <fcntl.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPalette>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <string>

#include "app/QtWindowServices.h"
#include "app/Startup.h"
#include "app/ToolkitSeams.h"
#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "text/Gbk.h"

namespace {

namespace main_window = sonivo::main_window;

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

QWidget* widget_of(const std::string& window, const std::string& control = "") {
  return sonivo::app::qt_window_services().widget({window, control});
}

void close_window(const std::string& window) {
  if (QWidget* widget = widget_of(window)) {
    widget->close();
  }
}

// Each click returns once the modal window it opened has been closed.
void open_previews() {
  sonivo::ResolvedSound& sound = sonivo::resolved_sound();
  sound.audio_link = sonivo::Text("http://127.0.0.1:9/sound.mp3");
  sound.cover_url = sonivo::Text("http://127.0.0.1:9/cover.png");
  for (const char* button : {main_window::LISTEN_BUTTON, main_window::COVER_BUTTON}) {
    if (auto* clickable = qobject_cast<QAbstractButton*>(widget_of(main_window::WINDOW, button))) {
      clickable->click();
    }
  }
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
    if (window == main_window::WINDOW) {
      QTimer::singleShot(0, [] {
        if (std::getenv("SONIVO_PROBE_OPEN_PREVIEWS")) {
          open_previews();
        }
        close_window(main_window::WINDOW);
      });
    } else {
      QTimer::singleShot(0, [window] { close_window(window); });
    }
  });
  const int code = sonivo::run_program(argc, argv);
  report("program ended");
  return code;
}
