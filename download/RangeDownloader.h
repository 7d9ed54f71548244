#pragma once
// Downloads one URL into one local file in HTTP byte ranges, appending to what the file
// already holds, over the ranged-request component. Single-threaded: `cancel` can only
// reach a running `run` from inside one of the callbacks it makes.
//
// Byte counts (`position`, `total_length`) are 64-bit so that contents of 2 GiB and more
// are requested and appended correctly; the callbacks receive them as int32 values,
// clamped to the int32 range (a total of 2 GiB or more shows as 2147483647).

#include <cstdint>
#include <memory>

#include "platform/xmlhttp/ServerXmlHttp.h"
#include "text/Text.h"

namespace sonivo {

// (target file, total length in bytes, speed in KB/s, percent); the text is lent.
using ProgressCallback = void (*)(const Text& target_file, int32_t total_length, int32_t speed,
                                  int32_t percent);
// (URL, HTTP status, status text, percent); the texts are lent.
using DoneCallback = void (*)(const Text& url, int32_t http_status, const Text& status_text,
                              int32_t percent);

class RangeDownloader {
 public:
  RangeDownloader() = default;  // every field 0 or empty, the component holder empty

  // The operations are virtual because the object is used through its operation table: a
  // class derived from it may replace any of them, `copy` then makes an object of that same
  // class, and the owner's delete through a RangeDownloader* (SharedDownloader.cpp) runs
  // the derived destructor. Nothing in the tree derives from it today. The destructor is
  // `destroy`: it runs `close`, then lets go of the component and the texts.
  virtual ~RangeDownloader();
  // Shares the component instance; copies numbers, flags and callbacks; its own texts.
  virtual std::unique_ptr<RangeDownloader> copy() const;
  virtual void close();
  virtual bool init(ProgressCallback progress_callback, DoneCallback done_callback);
  virtual void set_chunk_kb(uint8_t kb);
  virtual void set_source(const Text& url, const Text& referer);
  virtual bool set_target_file(const Text& path);
  virtual bool run();
  virtual void reset_counters();
  virtual void notify_done();
  virtual void cancel();

  const xmlhttp::ComponentRef& http_object() const { return http_object_; }
  bool initialized() const { return initialized_; }
  const Text& url() const { return url_; }
  const Text& referer() const { return referer_; }
  int32_t timeout_ms() const { return timeout_ms_; }
  const Text& status_text() const { return status_text_; }
  const Text& target_file() const { return target_file_; }
  bool busy() const { return busy_; }
  int64_t position() const { return position_; }
  ProgressCallback on_progress() const { return on_progress_; }
  DoneCallback on_done() const { return on_done_; }
  int64_t total_length() const { return total_length_; }
  bool cancel_requested() const { return cancel_requested_; }
  int32_t chunk_size() const { return chunk_size_; }

 protected:
  RangeDownloader(const RangeDownloader&) = default;
  RangeDownloader& operator=(const RangeDownloader&) = delete;

 private:
  class Run;
  bool configurable() const { return initialized_ && !busy_; }

  xmlhttp::ComponentRef http_object_;
  bool initialized_ = false;
  Text url_;
  Text referer_;
  int32_t timeout_ms_ = 0;
  Text status_text_;
  Text target_file_;
  bool busy_ = false;
  int64_t position_ = 0;
  ProgressCallback on_progress_ = nullptr;
  DoneCallback on_done_ = nullptr;
  int64_t total_length_ = 0;
  bool cancel_requested_ = false;
  int32_t chunk_size_ = 0;
};

}  // namespace sonivo
