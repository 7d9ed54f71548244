#include "download/RangeDownloader.h"

#include "platform/xmlhttp/ComponentRegistry.h"
#include "text/Numbers.h"

namespace sonivo {
namespace {

constexpr int32_t DEFAULT_CHUNK_SIZE = 10240;
constexpr uint8_t SMALLEST_CHUNK_KB = 4;  // what a chunk of 0 KB is taken as

// The time allowed for one range's answer: ten times the chunk size in bytes.
int32_t timeout_for(int32_t chunk_size) {
  return to_int32(divide(chunk_size, 0.1));
}

}  // namespace

RangeDownloader::~RangeDownloader() {
  close();
}

std::unique_ptr<RangeDownloader> RangeDownloader::copy() const {
  return std::unique_ptr<RangeDownloader>(new RangeDownloader(*this));
}

void RangeDownloader::close() {
  cancel();
  http_object_.reset();
  initialized_ = false;
  busy_ = false;
  cancel_requested_ = false;
  timeout_ms_ = 0;
  position_ = 0;
  on_progress_ = nullptr;
  on_done_ = nullptr;
  total_length_ = 0;
  chunk_size_ = 0;
  target_file_ = Text();
  status_text_ = Text();
  referer_ = Text();
  url_ = Text();
}

bool RangeDownloader::init(ProgressCallback progress_callback, DoneCallback done_callback) {
  if (initialized_ || busy_) {
    return false;
  }
  xmlhttp::ComponentRef component =
      xmlhttp::create_component(Text(xmlhttp::SERVER_XML_HTTP_PROG_ID));
  if (!component) {
    return false;
  }
  http_object_ = std::move(component);
  initialized_ = true;
  busy_ = false;
  on_progress_ = progress_callback;
  on_done_ = done_callback;
  total_length_ = 0;
  cancel_requested_ = false;
  chunk_size_ = DEFAULT_CHUNK_SIZE;
  timeout_ms_ = timeout_for(chunk_size_);
  return true;
}

void RangeDownloader::set_chunk_kb(uint8_t kb) {
  if (!configurable()) {
    return;
  }
  chunk_size_ = (kb == 0 ? SMALLEST_CHUNK_KB : kb) * 1024;
  timeout_ms_ = timeout_for(chunk_size_);
}

void RangeDownloader::set_source(const Text& url, const Text& referer) {
  if (!configurable()) {
    return;
  }
  url_ = url;
  referer_ = referer;
}

bool RangeDownloader::set_target_file(const Text& path) {
  if (!configurable()) {
    return false;
  }
  target_file_ = path;
  return true;
}

void RangeDownloader::reset_counters() {
  busy_ = false;
  cancel_requested_ = false;
  position_ = 0;
  total_length_ = 0;
}

void RangeDownloader::cancel() {
  if (!busy_) {
    return;
  }
  cancel_requested_ = true;
  if (http_object_) {
    http_object_->abort();
  }
}

}  // namespace sonivo
