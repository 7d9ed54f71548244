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
// - a failed append ends the run at once;
// - bytes the file held before the run are continued only when they are known to be a
//   part of this content, and a 416 to them means "complete" only when they are the whole
//   of it (RangeRunTrust.cpp).

#include <cmath>

#include "download/ByteCount.h"
#include "download/ContentRange.h"
#include "download/RangeDownloader.h"
#include "download/RangeRun.h"
#include "download/ResumeRecordFile.h"
#include "download/StatusTexts.h"
#include "platform/clock/Clock.h"
#include "platform/files/Files.h"
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

bool RangeDownloader::run() {
  return Run(*this).execute();
}

bool RangeDownloader::Run::execute() {
  // A run refused here leaves the counters alone: they may belong to the run that is busy.
  if (!d_.initialized_) {
    return end_before_transfer(RunOutcome::NotInitialized);
  }
  if (d_.busy_) {
    return end_before_transfer(RunOutcome::AlreadyDownloading);
  }
  // The target file: created when missing, its contents kept, shared with no one.
  if (!file_.open_append(d_.target_file_) || file_.length() < 0) {
    const bool too_long = file_.open_error() == files::OpenError::NameTooLong;
    file_.close();
    return end_before_transfer(too_long ? RunOutcome::NameTooLong : RunOutcome::FileCannotOpen);
  }
  http_ = d_.http_object_;
  url_ = d_.url_;
  target_ = d_.target_file_;
  // The first range starts at the file's length, so bytes already there are never fetched
  // again. They are appended to only once they are known to be this content's; an empty
  // file holds nothing to doubt.
  range_start_ = file_.length();
  started_at_ = range_start_;
  modified_at_start_ = file_.modified_ns();
  bytes_trusted_ = started_at_ == 0;
  if (!bytes_trusted_) {
    record_ = load_resume_record(target_);
  }
  d_.position_ = range_start_;
  file_.seek_end();
  // From here on every end goes through end(), which clears `busy` again.
  d_.busy_ = true;
  conclude(RunOutcome::Transferring);
  d_.cancel_requested_ = false;

  // One request in flight at a time, its body written before the next is asked for.
  for (;;) {
    send_request(range_start_, range_start_ + d_.chunk_size_ - 1);
    const Wait wait = wait_for_answer();
    if (wait != Wait::Answered) {
      stop_waiting(wait);
      return end();
    }
    if (take_answer() == Next::End) {
      return end();
    }
  }
}

bool RangeDownloader::Run::end_before_transfer(RunOutcome outcome) {
  conclude(outcome);
  d_.notify_done();
  return false;
}

void RangeDownloader::Run::conclude(RunOutcome outcome) {
  result_ = RunResult{outcome, Text()};
  d_.status_text_ = result_.status_text();
}

void RangeDownloader::Run::conclude_refused(const Text& reason) {
  result_ = RunResult{RunOutcome::ServerRefused, reason};
  d_.status_text_ = result_.status_text();
}

void RangeDownloader::Run::send_request(int64_t first, int64_t last) {
  const Text range = Text("bytes=") + decimal(first) + Text("-") + decimal(last);
  http_->open(Text("GET"), url_, true);
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

void RangeDownloader::Run::stop_waiting(Wait wait) {
  if (wait == Wait::TimedOut) {
    http_->abort();
    conclude(RunOutcome::TimedOut);
  } else if (wait == Wait::Cancelled) {
    conclude(RunOutcome::Cancelled);  // the cancel has aborted the request already
  }
}

RangeDownloader::Run::Next RangeDownloader::Run::take_answer() {
  // Only a 206 (a range) or a 416 (nothing left) continues a file; a 200 would bring the
  // whole content again, so nothing of it is written.
  http_status_ = to_int32(http_->status());
  if (http_status_ > 299 && http_status_ != HTTP_RANGE_NOT_SATISFIABLE) {
    conclude_refused(http_->statusText());
    return Next::End;
  }
  if (http_status_ != HTTP_PARTIAL_CONTENT && http_status_ != HTTP_RANGE_NOT_SATISFIABLE) {
    conclude(RunOutcome::ResumeNotSupported);
    return Next::End;
  }

  // The Content-Range is read before the body is written, so that only an answer known
  // to be the range asked for reaches the file.
  content_range_ = http_->getResponseHeader(Text("Content-Range"));
  short_answer_ = false;
  const ContentRange stated = parse_content_range(content_range_);
  if (content_range_.empty()) {
    conclude(RunOutcome::LengthUnknown);
  } else if (!keep_total(stated.total)) {
    conclude(RunOutcome::ContentChanged);
    return Next::End;
  }
  if (!keep_validators()) {
    conclude(RunOutcome::ContentChanged);
    return Next::End;
  }
  if (http_status_ == HTTP_PARTIAL_CONTENT && !content_range_.empty() && !take_range(stated)) {
    return Next::End;
  }
  if (http_status_ == HTTP_RANGE_NOT_SATISFIABLE) {
    if (const std::optional<RunOutcome> fault = refusal_fault()) {
      conclude(*fault);
      return Next::End;
    }
  }
  if (!content_range_.empty()) {
    percent_ = to_int32(
        divide(static_cast<double>(d_.position_) * 100.0, static_cast<double>(d_.total_length_)));
  }

  // Every usable answer is reported, a 416 and one without Content-Range included.
  report_progress();

  // Completion comes first, so that a cancel on the range that completes the file still
  // ends in success.
  if (end_reached() || http_status_ == HTTP_RANGE_NOT_SATISFIABLE) {
    conclude(RunOutcome::Complete);
    return Next::End;
  }
  if (stop_requested()) {
    return Next::End;  // the outcome stays as it stands
  }
  if (content_range_.empty()) {
    return Next::End;  // LengthUnknown: the same range is never asked for twice
  }
  return Next::NextRange;
}

// Checks a 206 against the range asked for, appends its body and moves on past it. When
// the answer cannot be used, or the file is not to be continued, concludes the outcome
// that ends the run and gives false.
bool RangeDownloader::Run::take_range(const ContentRange& stated) {
  std::optional<RunOutcome> fault;
  if (!stated.has_range || stated.start != range_start_ || stated.end < stated.start ||
      (total_known() && stated.end >= d_.total_length_)) {
    fault = RunOutcome::RangeMismatch;
  }
  // Read before any further request (the check of the file's bytes may make one).
  const Bytes body = fault ? Bytes() : http_->responseBody();
  const int64_t covered = stated.end - stated.start + 1;
  if (!fault && static_cast<int64_t>(body.size()) != covered) {
    fault = RunOutcome::BodyLengthMismatch;
  }
  if (fault) {
    conclude(*fault);
    return false;
  }
  if (!bytes_trusted_ && !trust_file()) {
    return false;
  }
  if (!record_saved_ && !save_record()) {
    return false;
  }
  if (!file_.append(body)) {
    conclude(RunOutcome::FileWriteFailed);
    return false;
  }
  range_end_ = stated.end;
  d_.position_ = d_.position_ + range_end_ - range_start_ + 1;
  short_answer_ = covered < d_.chunk_size_;
  range_start_ = range_end_ + 1;
  return true;
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

// Every run that opened the file ends here: the file is closed, the owner told, the
// counters cleared. A complete download keeps no record beside it; the record goes while
// the file is still held, so no other run can meet the file without it half-way.
bool RangeDownloader::Run::end() {
  const bool complete = result_.succeeded();
  if (complete && (record_saved_ || record_)) {
    remove_resume_record(target_);
  } else if (!complete && record_saved_) {
    leave_record();
  }
  file_.close();
  d_.notify_done();
  d_.reset_counters();
  content_range_ = Text();
  return complete;
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
