#include "app/SharedState.h"

#include "core/ResolvedSound.h"
#include "download/SharedDownloader.h"
#include "notice/WindowList.h"

namespace sonivo {

namespace {

std::vector<std::string>* release_trace = nullptr;

void traced(const char* what) {
  if (release_trace) {
    release_trace->push_back(what);
  }
}

void release_text(Text& text, const char* name) {
  if (text.empty()) {
    return;
  }
  text = Text();
  traced(name);
}

}  // namespace

void set_release_trace(std::vector<std::string>* trace) {
  release_trace = trace;
}

void create_shared_state() {
  resolved_sound() = ResolvedSound{};
  create_shared_downloader();
  window_scratch = new std::vector<WindowEntry>();
}

void release_shared_state() {
  ResolvedSound& sound = resolved_sound();
  release_text(sound.audio_link, "audio_link");
  if (shared_downloader) {
    release_shared_downloader();
    traced("shared_downloader");
  }
  release_text(sound.page_text, "page_text");
  release_text(sound.sound_name, "sound_name");
  release_text(sound.duration, "duration");
  release_text(sound.cover_url, "cover_url");
  if (window_scratch) {
    for (std::size_t i = 0; i < window_scratch->size(); ++i) {
      traced("window_entry");
    }
    window_scratch->clear();
    delete window_scratch;
    window_scratch = nullptr;
    traced("window_scratch");
  }
}

}  // namespace sonivo
