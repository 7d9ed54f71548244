// Whether the bytes a file already holds when a run begins may be continued.
//
// A file's length alone says nothing about whose bytes it holds: another sound saved
// under the same name, a file of unknown origin, or the older version of a file the
// server has since replaced. So a run continues such bytes only when they are known to be
// a part of this content, and otherwise ends before anything is appended, leaving the
// file exactly as it was and saying what is wrong:
//
// - The record beside the file (ResumeRecordFile.h) vouches for them when its address and
//   total are the ones of the run's first answer, a validator (ETag, Last-Modified) both
//   carry is the same, and the file is as the last run left it (same length and
//   modification time: not cut or replaced since). A total or validator that differs
//   shows a changed or another content.
// - Without such a confirmation (no record: a download begun before records existed, or a
//   file from elsewhere; a server that sends no validators; an address that changed, as
//   signed audio addresses do), the run asks once more for the last bytes the file holds,
//   up to one range, and continues only when the server's bytes there are the same. When
//   that answer is not that exact range of the same content, the run cannot tell, and
//   does not continue.
// - A 416 says that nothing is left to send. For bytes the run found in the file it means
//   "complete" only when the stated total is the file's length and no record contradicts
//   it; a file longer than the content is never complete.
//
// Validators are not sent as If-Range: a changed file would then come back whole as a 200
// (up to megabytes for nothing), where comparing the validators of the ranged answer
// tells the same at the cost of one range.

#include <algorithm>

#include "download/RangeRun.h"
#include "download/ResumeRecordFile.h"
#include "download/StatusTexts.h"
#include "text/Numbers.h"

namespace sonivo {
namespace {

constexpr int32_t HTTP_PARTIAL_CONTENT = 206;
constexpr int32_t HTTP_RANGE_NOT_SATISFIABLE = 416;

// The validator comes from the first answer that carries it; a later answer may leave it
// out but not state another.
bool keep_validator(const Text& stated, Text& kept) {
  if (stated.empty()) {
    return true;
  }
  if (kept.empty()) {
    kept = stated;
    return true;
  }
  return stated == kept;
}

}  // namespace

bool RangeDownloader::Run::keep_validators() {
  return keep_validator(http_->getResponseHeader(Text("ETag")), etag_) &&
         keep_validator(http_->getResponseHeader(Text("Last-Modified")), last_modified_);
}

ResumeRecord RangeDownloader::Run::answer_facts() const {
  return ResumeRecord{url_, d_.total_length_, etag_, last_modified_};
}

// A record that the server contradicts: under the same address, the file on the server
// has changed since these bytes were written; under another, they are another content.
RunOutcome RangeDownloader::Run::contradiction() const {
  return record_ && record_->url == url_ ? RunOutcome::ContentChanged : RunOutcome::FileInTheWay;
}

bool RangeDownloader::Run::trust_file() {
  RecordMatch match =
      record_ ? compare_resume_record(*record_, answer_facts()) : RecordMatch::Unconfirmed;
  if (match == RecordMatch::Confirmed && !record_describes_file()) {
    match = RecordMatch::Unconfirmed;  // right content, but the file may hold other bytes
  }
  if (match == RecordMatch::Contradicted) {
    conclude(contradiction());
    return false;
  }
  if (match == RecordMatch::Unconfirmed && !tail_matches()) {
    return false;
  }
  bytes_trusted_ = true;
  return true;
}

bool RangeDownloader::Run::tail_matches() {
  const int64_t window = std::min<int64_t>(started_at_, d_.chunk_size_);
  const int64_t first = started_at_ - window;
  const std::optional<Bytes> on_disk = file_.read_at(first, static_cast<std::size_t>(window));
  if (!on_disk) {
    conclude(RunOutcome::FileUnverified);
    return false;
  }
  // The range's own send time stays the one its speed is measured from.
  const uint32_t range_tick = send_tick_;
  send_request(first, started_at_ - 1);
  const Wait wait = wait_for_answer();
  send_tick_ = range_tick;
  if (wait != Wait::Answered) {
    stop_waiting(wait);
    return false;
  }
  const int32_t status = to_int32(http_->status());
  if (status > 299 && status != HTTP_RANGE_NOT_SATISFIABLE) {
    conclude_refused(http_->statusText());
    return false;
  }
  const ContentRange stated = parse_content_range(http_->getResponseHeader(Text("Content-Range")));
  if (status != HTTP_PARTIAL_CONTENT || !stated.has_range || stated.start != first ||
      stated.end != started_at_ - 1) {
    conclude(RunOutcome::FileUnverified);
    return false;
  }
  if (!keep_total(stated.total) || !keep_validators()) {
    conclude(RunOutcome::ContentChanged);
    return false;
  }
  const Bytes served = http_->responseBody();
  if (served.size() != on_disk->size()) {
    conclude(RunOutcome::FileUnverified);
    return false;
  }
  if (served != *on_disk) {
    conclude(RunOutcome::FileInTheWay);
    return false;
  }
  return true;
}

// Gives the outcome that ends the run when a 416 cannot mean "complete", else none.
std::optional<RunOutcome> RangeDownloader::Run::refusal_fault() const {
  if (total_known() && range_start_ < d_.total_length_) {
    return RunOutcome::RangeMismatch;  // it refuses a range inside the content
  }
  if (bytes_trusted_) {
    return std::nullopt;  // the run's own ranges, or nothing, reached the end
  }
  const RecordMatch match =
      record_ ? compare_resume_record(*record_, answer_facts()) : RecordMatch::Unconfirmed;
  if (total_known()) {
    if (started_at_ > d_.total_length_) {
      return RunOutcome::FileInTheWay;  // longer than the content
    }
    if (match == RecordMatch::Contradicted) {
      return contradiction();
    }
    return std::nullopt;
  }
  // No total stated: only a record of this address, of no other length, vouches for it.
  const bool vouched = record_ && record_->url == url_ && match != RecordMatch::Contradicted &&
                       (record_->total_length == 0 || record_->total_length == started_at_);
  if (vouched) {
    return std::nullopt;
  }
  return RunOutcome::FileUnverified;
}

// The record speaks for the bytes only as its run left them: a run killed before it could
// say so, or a file the user has since cut or replaced, gets its bytes compared.
bool RangeDownloader::Run::record_describes_file() const {
  return record_ && record_->part && record_->part->length == started_at_ &&
         record_->part->modified_ns == modified_at_start_;
}

// A run that wrote into the file and ends before it is complete says how it left it.
void RangeDownloader::Run::leave_record() {
  ResumeRecord record = answer_facts();
  record.part = PartState{file_.length(), file_.modified_ns()};
  save_resume_record(target_, record);
}

// Written before the run's first append, so that whatever the file then holds is known
// by a later run to be this content's.
bool RangeDownloader::Run::save_record() {
  if (!save_resume_record(target_, answer_facts())) {
    conclude(RunOutcome::FileWriteFailed);
    return false;
  }
  record_saved_ = true;
  return true;
}

}  // namespace sonivo
