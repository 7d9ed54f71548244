#pragma once
// How a run of the downloader ends, and the one table of the texts `status_text` shows for
// each ending. The texts are UTF-8 source literals; the object keeps them in GBK. The run's
// result follows from the outcome, never from comparing texts: a server's reason phrase may
// read like one of the program's own.

#include <cstdint>

#include "text/Text.h"

namespace sonivo {

enum class RunOutcome : uint8_t {
  NotInitialized,      // `run` before a successful `init`
  AlreadyDownloading,  // `run` while a run is busy
  FileCannotOpen,      // the target file cannot be opened
  NameTooLong,         // the target's name (or its whole path) is too long for the file system
  Transferring,        // the transfer has begun and has not ended yet; a cancel seen after
                       // a complete range ends the run with it
  TimedOut,            // an answer did not complete within the time-out
  Cancelled,           // a cancel was seen while waiting for an answer
  ServerRefused,       // a status of 300 or more (but 416): its text is the answer's reason phrase
  ResumeNotSupported,  // a status below 300 and not 206: the server ignored the range
  LengthUnknown,       // a 206 without Content-Range
  RangeMismatch,       // a Content-Range that starts elsewhere, ends before it starts or
                       // beyond the total, or a 416 that refuses a range inside the content
  BodyLengthMismatch,  // a 206 whose body is not as long as its Content-Range states
  ContentChanged,      // another total or validator than before: the file on the server was
                       // replaced, and its bytes cannot continue the ones already written
  FileWriteFailed,     // appending failed (a full disk, for instance), or the resume record
                       // could neither be written nor cleared away
  FileInTheWay,        // the file under the chosen name holds bytes that are not a part of
                       // this content (another sound, a file of unknown origin, an older
                       // version, a file longer than the content); it is left as it was
  FileUnverified,      // it holds bytes, and the server's answers cannot show whether they
                       // are a part of this content; it is left as it was
  Complete,            // the end of the content was reached
};

// The text of each outcome. ServerRefused has none of its own (RunResult carries it).
constexpr const char* status_literal(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::NotInitialized:
      return "没有初始化";
    case RunOutcome::AlreadyDownloading:
      return "正在下载中……";
    case RunOutcome::FileCannotOpen:
      return "本地文件无法打开";
    case RunOutcome::NameTooLong:
      return "文件名称太长，无法建立文件。请在“文件名称”中把名字改短，再按“下载”。";
    case RunOutcome::Transferring:
    case RunOutcome::ServerRefused:
      return "";
    case RunOutcome::TimedOut:
      return "数据下载超时，建议重试。";
    case RunOutcome::Cancelled:
      return "用户中止了下载";
    case RunOutcome::ResumeNotSupported:
      return "服务器不支持断点续传！";
    case RunOutcome::LengthUnknown:
      return "文件长度未知！";
    case RunOutcome::RangeMismatch:
      return "服务器返回的数据范围不符！";
    case RunOutcome::BodyLengthMismatch:
      return "服务器返回的数据长度不符！";
    case RunOutcome::ContentChanged:
      return "服务器上的文件已改变，请重新下载！";
    case RunOutcome::FileWriteFailed:
      return "本地文件写入失败！";
    case RunOutcome::FileInTheWay:
      return "已有同名文件，但它不是服务器上这个声音的一部分，文件未作改动。"
             "请把那个文件改名，或在“文件名称”中换一个名字，再按“下载”。";
    case RunOutcome::FileUnverified:
      return "已有同名文件，但无法确认它是服务器上这个声音的一部分，文件未作改动。"
             "请稍后再试，或在“文件名称”中换一个名字，再按“下载”。";
    case RunOutcome::Complete:
      return "下载完毕";
  }
  return "";
}

// The outcome's text in GBK, as `status_text` holds it.
Text status_text_of(RunOutcome outcome);

// How a run ended, and for ServerRefused the server's own reason phrase.
struct RunResult {
  RunOutcome outcome = RunOutcome::Transferring;
  Text reason;

  Text status_text() const;
  bool succeeded() const { return outcome == RunOutcome::Complete; }
};

// Shown in the closing message under ContentChanged: the way to the new file.
inline constexpr char CONTENT_CHANGED_ADVICE[] =
    "已下载的部分属于旧的文件，未作改动。要下载新的文件，请在“文件名称”中换一个名字，再按“下载”。";

}  // namespace sonivo
