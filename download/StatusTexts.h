#pragma once
// The texts a run leaves in `status_text`, as UTF-8 source literals; the object keeps
// them in GBK (gbk(...)). Besides these, a status of 300 or more (but 416) leaves the
// answer's own reason phrase.

namespace sonivo {

inline constexpr char NOT_INITIALIZED[] = "没有初始化";
inline constexpr char ALREADY_DOWNLOADING[] = "正在下载中……";
inline constexpr char FILE_CANNOT_OPEN[] = "本地文件无法打开";
inline constexpr char DOWNLOAD_TIMED_OUT[] = "数据下载超时，建议重试。";
inline constexpr char USER_CANCELLED[] = "用户中止了下载";
inline constexpr char RESUME_NOT_SUPPORTED[] = "服务器不支持断点续传！";
inline constexpr char LENGTH_UNKNOWN[] = "文件长度未知！";
inline constexpr char DOWNLOAD_COMPLETE[] = "下载完毕";

// An answer that is not the range asked for: its Content-Range starts elsewhere, ends
// before it starts or beyond the total, or a 416 refuses a range inside the content.
inline constexpr char RANGE_MISMATCH[] = "服务器返回的数据范围不符！";
// A 206 whose body is not as long as the range its Content-Range states.
inline constexpr char BODY_LENGTH_MISMATCH[] = "服务器返回的数据长度不符！";
// A total length that differs from the one the run started with: the file on the
// server was replaced, and its bytes cannot continue the ones already written.
inline constexpr char CONTENT_CHANGED[] = "服务器上的文件已改变，请重新下载！";
// Appending to the target file failed (a full disk, for instance).
inline constexpr char FILE_WRITE_FAILED[] = "本地文件写入失败！";

}  // namespace sonivo
