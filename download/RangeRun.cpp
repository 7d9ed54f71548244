// `run`, the range download loop, and `notify_done`, the report at its end.
//
// Where the loop is stricter than appending whatever a 206 brings, it is so that the file
// only ever holds bytes known to be the content's, in order, and that "下载完毕" means the
// end of the content was reached:
// - each 206 is checked before its body is written: its Content-Range must start at the
//   byte asked for and end within the total, and the body must be as long as that range;
// - a 206 without Content-Range cannot be placed in the file: nothing of it is written;
// - the total must stay the one the run started with (the file was not replaced);
// - with an unknown total ("*"), ranges follow each other until a 416 or a range shorter
//   than asked, and the position is not cut to the unknown total;
// - a failed append ends the run at once.

#include <cmath>

#include "download/ByteCount.h"
#include "download/ContentRange.h"
#include "download/RangeDownloader.h"
#include "download/StatusTexts.h"
#include "platform/clock/Clock.h"
#include "platform/files/Files.h"
#include "text/Gbk.h"
#include "text/Numbers.h"
#include "text/TextOps.h"

namespace sonivo {
namespace {

constexpr double READY_STATE_COMPLETE = 4;
constexpr double TOLERANCE = 1e-7;
constexpr int32_t WAIT_STEP_MS = 1000;
constexpr int32_t HTTP_PARTIAL_CONTENT = 206;
constexpr int32_t HTTP_RANGE_NOT_SATISFIABLE = 416;

// Milliseconds from `since` to `now` on the 32-bit tick count. The difference is taken
// modulo 2^32, so it stays right when the count wraps around between the two readings.
double elapsed_ms(uint32_t since, uint32_t now) {
  return static_cast<double>(static_cast<uint32_t>(now - since));
}

}  // namespace

// The values that live for one run, and the run's steps.
class RangeDownloader::Run {
 public:
  explicit Run(RangeDownloader& downloader) : d_(downloader) {}
  bool execute();

 private:
  enum class Wait { Answered, TimedOut, Cancelled };
  enum class Next { NextRange, End };

  bool end_before_transfer(const char* status_text);
  void send_request();
  Wait wait_for_answer();
  Next take_answer();
  const char* append_range(const ContentRange& stated);
  bool keep_total(int64_t stated_total);
  void report_progress();
  bool end_reached() const;
  bool stop_requested() const { return d_.cancel_requested_ != 0 || d_.initialized_ == 0; }
  bool total_known() const { return d_.total_length_ > 0; }
  bool end();

  RangeDownloader& d_;
  // Held for the whole run, so that a `close` from inside a callback cannot take the
  // component away while a request is using it.
  xmlhttp::ComponentRef http_;
  files::ExclusiveFile file_;

  int64_t range_start_ = 0;
  uint32_t send_tick_ = 0;
  int32_t http_status_ = 0;
  Text content_range_;
  int64_t range_end_ = 0;
  int32_t percent_ = 0;
  int32_t speed_ = 0;
  bool short_answer_ = false;  // the last 206 covered fewer bytes than asked
};

bool RangeDownloader::run() {
  return Run(*this).execute();
}

bool RangeDownloader::Run::execute() {
  // 1. Guards.
  if (d_.initialized_ == 0) {
    return end_before_transfer(NOT_INITIALIZED);
  }
  if (d_.busy_ != 0) {
    return end_before_transfer(ALREADY_DOWNLOADING);
  }
  // 2. The target file: created when missing, its contents kept, shared with no one.
  if (!file_.open_append(d_.target_file_) || file_.length() < 0) {
    file_.close();
    return end_before_transfer(FILE_CANNOT_OPEN);
  }
  http_ = d_.http_object_;
  // 3. Resume point: the file's length.
  range_start_ = file_.length();
  d_.position_ = range_start_;
  file_.seek_end();
  // 4.
  d_.busy_ = 1;
  d_.status_text_ = Text();
  d_.cancel_requested_ = 0;

  for (;;) {
    send_request();               // 5
    switch (wait_for_answer()) {  // 6
      case Wait::TimedOut:
        http_->abort();
        d_.status_text_ = gbk(DOWNLOAD_TIMED_OUT);
        return end();
      case Wait::Cancelled:
        d_.status_text_ = gbk(USER_CANCELLED);
        return end();
      case Wait::Answered:
        break;
    }
    if (take_answer() == Next::End) {  // 7 to 11
      return end();
    }
  }
}

bool RangeDownloader::Run::end_before_transfer(const char* status_text) {
  d_.status_text_ = gbk(status_text);
  d_.notify_done();
  return false;
}

void RangeDownloader::Run::send_request() {
  const Text range = Text("bytes=") + decimal(range_start_) + Text("-") +
                     decimal(range_start_ + d_.chunk_size_ - 1);
  http_->open(Text("GET"), d_.url_, true);
  http_->setRequestHeader(Text("Referer"), d_.referer_);
  http_->setRequestHeader(Text("Accept"), Text("*/*"));
  http_->setRequestHeader(Text("User-Agent"),
                          Text("Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)"));
  http_->setRequestHeader(Text("Range"), range);
  http_->setRequestHeader(Text("Content-Type"), Text("application/octet-stream"));
  http_->setRequestHeader(Text("Pragma"), Text("no-cache"));
  http_->setRequestHeader(Text("Cache-Control"), Text("no-cache"));
  http_->send();
  send_tick_ = clock::tick_count();
}

// The time-out is measured from the send and tested before each wait, never during one.
RangeDownloader::Run::Wait RangeDownloader::Run::wait_for_answer() {
  for (;;) {
    if (std::fabs(http_->readyState() - READY_STATE_COMPLETE) <= TOLERANCE) {
      return Wait::Answered;
    }
    if (elapsed_ms(send_tick_, clock::tick_count()) - d_.timeout_ms_ > TOLERANCE) {
      return Wait::TimedOut;
    }
    if (stop_requested()) {
      return Wait::Cancelled;
    }
    http_->waitForResponse(WAIT_STEP_MS);
  }
}

RangeDownloader::Run::Next RangeDownloader::Run::take_answer() {
  // 7. Status.
  http_status_ = to_int32(http_->status());
  if (http_status_ > 299 && http_status_ != HTTP_RANGE_NOT_SATISFIABLE) {
    d_.status_text_ = http_->statusText();
    return Next::End;
  }
  if (http_status_ != HTTP_PARTIAL_CONTENT && http_status_ != HTTP_RANGE_NOT_SATISFIABLE) {
    d_.status_text_ = gbk(RESUME_NOT_SUPPORTED);
    return Next::End;
  }

  // 8 and 9. The Content-Range is read before the body is written, so that only an
  // answer known to be the range asked for reaches the file.
  content_range_ = http_->getResponseHeader(Text("Content-Range"));
  short_answer_ = false;
  const ContentRange stated = parse_content_range(content_range_);
  if (content_range_.empty()) {
    d_.status_text_ = gbk(LENGTH_UNKNOWN);
  } else if (!keep_total(stated.total)) {
    d_.status_text_ = gbk(CONTENT_CHANGED);
    return Next::End;
  }
  if (http_status_ == HTTP_PARTIAL_CONTENT && !content_range_.empty()) {
    if (const char* fault = append_range(stated)) {
      d_.status_text_ = gbk(fault);
      return Next::End;
    }
  }
  if (http_status_ == HTTP_RANGE_NOT_SATISFIABLE) {
    // Nothing left to send is believable only at or beyond the end of the content.
    if (total_known() && range_start_ < d_.total_length_) {
      d_.status_text_ = gbk(RANGE_MISMATCH);
      return Next::End;
    }
    if (total_known() && d_.position_ > d_.total_length_) {
      d_.position_ = d_.total_length_;  // a file longer than the content
    }
  }
  if (!content_range_.empty()) {
    percent_ = to_int32(
        divide(static_cast<double>(d_.position_) * 100.0, static_cast<double>(d_.total_length_)));
  }

  // 10. Progress.
  report_progress();

  // 11. Completion tests, in order.
  if (end_reached()) {
    d_.status_text_ = gbk(DOWNLOAD_COMPLETE);
    return Next::End;
  }
  if (http_status_ == HTTP_RANGE_NOT_SATISFIABLE) {
    d_.status_text_ = gbk(DOWNLOAD_COMPLETE);
    return Next::End;
  }
  if (stop_requested()) {
    return Next::End;
  }
  if (content_range_.empty()) {
    return Next::End;  // "文件长度未知！": the same range is never asked for twice
  }
  return Next::NextRange;
}

// Checks a 206 against the range asked for, appends its body and moves on past it.
// Gives the status text that ends the run when the answer cannot be used.
const char* RangeDownloader::Run::append_range(const ContentRange& stated) {
  if (!stated.has_range || stated.start != range_start_ || stated.end < stated.start ||
      (total_known() && stated.end >= d_.total_length_)) {
    return RANGE_MISMATCH;
  }
  const Bytes body = http_->responseBody();
  const int64_t covered = stated.end - stated.start + 1;
  if (static_cast<int64_t>(body.size()) != covered) {
    return BODY_LENGTH_MISMATCH;
  }
  if (!file_.append(body)) {
    return FILE_WRITE_FAILED;
  }
  range_end_ = stated.end;
  d_.position_ = d_.position_ + range_end_ - range_start_ + 1;
  short_answer_ = covered < d_.chunk_size_;
  range_start_ = range_end_ + 1;
  return nullptr;
}

// The total comes from the first answer that states one; a later answer may leave it
// out ("*") but not state another.
bool RangeDownloader::Run::keep_total(int64_t stated_total) {
  if (!total_known()) {
    d_.total_length_ = stated_total > 0 ? stated_total : 0;
    return true;
  }
  return stated_total <= 0 || stated_total == d_.total_length_;
}

// The speed is that of the configured chunk size, whatever the range actually brought.
void RangeDownloader::Run::report_progress() {
  const int32_t elapsed = to_int32(elapsed_ms(send_tick_, clock::tick_count()));
  speed_ = to_int32(divide(d_.chunk_size_ / 1.024, elapsed));
  if (d_.on_progress_ != nullptr) {
    d_.on_progress_(d_.target_file_, to_int32(static_cast<double>(d_.total_length_)), speed_,
                    percent_);
  }
}

// With a known total, the position has reached it; with none, a range came back shorter
// than asked, so it held the content's last byte.
bool RangeDownloader::Run::end_reached() const {
  if (total_known()) {
    return d_.position_ == d_.total_length_;
  }
  return short_answer_;
}

// 12. END.
bool RangeDownloader::Run::end() {
  file_.close();
  d_.notify_done();
  d_.reset_counters();
  content_range_ = Text();
  return d_.status_text_ == gbk(DOWNLOAD_COMPLETE);
}

void RangeDownloader::notify_done() {
  if (on_done_ == nullptr) {
    return;
  }
  const int32_t http_status = http_object_ ? to_int32(http_object_->status()) : 0;
  const int32_t percent =
      to_int32(divide(static_cast<double>(position_) * 100.0, static_cast<double>(total_length_)));
  on_done_(url_, http_status, status_text_, percent);
}

}  // namespace sonivo
