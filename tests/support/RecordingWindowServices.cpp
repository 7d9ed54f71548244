#include "tests/support/RecordingWindowServices.h"

#include <algorithm>

#include "text/Gbk.h"

namespace sonivo::testing {
namespace {

std::string event_name(Event event) {
  switch (event) {
    case Event::Created:
      return "created";
    case Event::Clicked:
      return "clicked";
    case Event::LeftButtonDown:
      return "left-down";
    case Event::RightButtonDown:
      return "right-down";
  }
  return "?";
}

}  // namespace

RecordingWindowServices::RecordingWindowServices() {
  install_window_services(this);
}

RecordingWindowServices::~RecordingWindowServices() {
  install_window_services(nullptr);
}

std::string RecordingWindowServices::key(const ControlRef& control) {
  return control.window + "/" + control.control;
}

void RecordingWindowServices::bind(const ControlRef& control, Event event, Handler handler) {
  handlers_[key(control) + "#" + event_name(event)] = std::move(handler);
}

bool RecordingWindowServices::raise(const ControlRef& control, Event event, const EventArgs& args) {
  const auto found = handlers_.find(key(control) + "#" + event_name(event));
  if (found == handlers_.end()) {
    return false;
  }
  Handler handler = found->second;  // a handler may rebind while it runs
  handler(args);
  return true;
}

Text RecordingWindowServices::text(const ControlRef& control) {
  return controls_[key(control)].text;
}

void RecordingWindowServices::set_text(const ControlRef& control, const Text& value) {
  calls.push_back("set_text " + key(control) + " " + utf8_of(value));
  controls_[key(control)].text = value;
}

bool RecordingWindowServices::disabled(const ControlRef& control) {
  return controls_[key(control)].disabled;
}

void RecordingWindowServices::set_disabled(const ControlRef& control, bool disabled) {
  calls.push_back("set_disabled " + key(control) + (disabled ? " true" : " false"));
  controls_[key(control)].disabled = disabled;
}

int RecordingWindowServices::position(const ControlRef& control) {
  return controls_[key(control)].position;
}

void RecordingWindowServices::set_position(const ControlRef& control, int position) {
  calls.push_back("set_position " + key(control) + " " + std::to_string(position));
  controls_[key(control)].position =
      std::clamp(std::clamp(position, 0, 32767), 0, progress_maximum);
}

Bytes RecordingWindowServices::picture(const ControlRef& control) {
  return controls_[key(control)].picture;
}

void RecordingWindowServices::set_picture(const ControlRef& control, const Bytes& image) {
  calls.push_back("set_picture " + key(control) + " " + std::to_string(image.size()));
  controls_[key(control)].picture = image;
}

void RecordingWindowServices::append_text(const ControlRef& edit_box, const Text& text) {
  calls.push_back("append " + key(edit_box) + " " + utf8_of(text));
  appends.push_back(text);
  controls_[key(edit_box)].text += text;
}

int RecordingWindowServices::message_box(const Text& text, int flags,
                                         const std::optional<Text>& title, WindowHandle owner) {
  calls.push_back("message_box " + utf8_of(text));
  message_boxes.push_back({text, flags, title, owner});
  if (next_message_box_answers.empty()) {
    return BUTTON_OK;
  }
  const int answer = next_message_box_answers.front();
  next_message_box_answers.pop_front();
  return answer;
}

bool RecordingWindowServices::load_window(const std::string& window, bool modal) {
  calls.push_back("load_window " + window + (modal ? " modal" : ""));
  loaded_windows.push_back(window);
  raise({window, ""}, Event::Created);
  return true;
}

void RecordingWindowServices::open_url(const Text& url) {
  calls.push_back("open_url " + utf8_of(url));
  opened_urls.push_back(url);
}

bool RecordingWindowServices::run_file_dialog(const ControlRef& dialog) {
  calls.push_back("run_file_dialog " + key(dialog));
  if (next_file_dialog_answers.empty()) {
    return false;
  }
  const FileDialogAnswer answer = next_file_dialog_answers.front();
  next_file_dialog_answers.pop_front();
  if (answer.confirmed) {
    controls_[key(dialog)].text = answer.file_name;
  }
  return answer.confirmed;
}

void RecordingWindowServices::pump_events() {
  if (on_pump) {
    on_pump();
  }
}

std::vector<TopLevelWindow> RecordingWindowServices::top_level_windows() {
  return windows;
}

}  // namespace sonivo::testing
