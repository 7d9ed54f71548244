#pragma once
// The values that live for one run of RangeDownloader::run, and the run's steps. Private
// to the downloader: RangeRun.cpp holds the loop, RangeRunTrust.cpp the decisions about
// the bytes a file already held when the run began.

#include <cstdint>
#include <optional>

#include "download/ContentRange.h"
#include "download/RangeDownloader.h"
#include "download/ResumeRecord.h"
#include "download/StatusTexts.h"
#include "platform/files/Files.h"
#include "platform/xmlhttp/ServerXmlHttp.h"
#include "text/Text.h"

namespace sonivo {

class RangeDownloader::Run {
 public:
  explicit Run(RangeDownloader& downloader) : d_(downloader) {}
  bool execute();

 private:
  enum class Wait { Answered, TimedOut, Cancelled };
  enum class Next { NextRange, End };

  // The loop (RangeRun.cpp).
  bool end_before_transfer(RunOutcome outcome);
  void conclude(RunOutcome outcome);
  void conclude_refused(const Text& reason);  // a status of 300 or more, with its reason phrase
  void send_request(int64_t first, int64_t last);
  Wait wait_for_answer();
  void stop_waiting(Wait wait);
  Next take_answer();
  bool take_range(const ContentRange& stated);
  bool keep_total(int64_t stated_total);
  void report_progress();
  bool end_reached() const;
  bool stop_requested() const { return d_.cancel_requested_ || !d_.initialized_; }
  bool total_known() const { return d_.total_length_ > 0; }
  bool end();

  // The bytes found in the file (RangeRunTrust.cpp). Each gives false, with the outcome
  // that ends the run concluded, when the file is not to be continued.
  bool keep_validators();
  ResumeRecord answer_facts() const;
  bool trust_file();
  bool tail_matches();
  std::optional<RunOutcome> refusal_fault() const;
  RunOutcome contradiction() const;
  bool save_record();
  bool record_describes_file() const;
  void leave_record();

  RangeDownloader& d_;
  // How the run stands, and so whether it succeeds; conclude() writes each change to
  // `status_text` as its text.
  RunResult result_;
  // Held for the whole run, so that a `close` from inside a callback cannot take the
  // component away, nor the address and path the run works on.
  xmlhttp::ComponentRef http_;
  Text url_;
  Text target_;
  files::ExclusiveFile file_;

  int64_t range_start_ = 0;
  uint32_t send_tick_ = 0;
  int32_t http_status_ = 0;
  Text content_range_;
  int64_t range_end_ = 0;
  int32_t percent_ = 0;
  int32_t speed_ = 0;
  bool short_answer_ = false;  // the last 206 covered fewer bytes than asked

  int64_t started_at_ = 0;              // the file's length when the run began
  long long modified_at_start_ = -1;    // and its modification time
  bool bytes_trusted_ = false;          // what the file holds is known to be this content's
  std::optional<ResumeRecord> record_;  // the record found beside a file that held bytes
  bool record_saved_ = false;           // this run has written the record
  Text etag_;                           // validators of the first answers that carry them
  Text last_modified_;
};

}  // namespace sonivo
