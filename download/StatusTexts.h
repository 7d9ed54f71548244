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
// Appending to the target file failed (a full disk, for instance), or its resume record
// could neither be written nor cleared away.
inline constexpr char FILE_WRITE_FAILED[] = "本地文件写入失败！";

// The file under the chosen name holds bytes that are not a part of this content: another
// sound, a file of unknown origin, an older version of the file on the server, or a file
// longer than the content. It is left exactly as it was.
inline constexpr char FILE_IN_THE_WAY[] =
    "已有同名文件，但它不是服务器上这个声音的一部分，文件未作改动。"
    "请把那个文件改名，或在“文件名称”中换一个名字，再按“下载”。";
// The file under the chosen name holds bytes, and the server's answers cannot show whether
// they are a part of this content. It is left exactly as it was.
inline constexpr char FILE_UNVERIFIED[] =
    "已有同名文件，但无法确认它是服务器上这个声音的一部分，文件未作改动。"
    "请稍后再试，或在“文件名称”中换一个名字，再按“下载”。";
// The target's name (or its whole path) is longer than the file system allows.
inline constexpr char NAME_TOO_LONG[] =
    "文件名称太长，无法建立文件。请在“文件名称”中把名字改短，再按“下载”。";

// Shown in the closing message under CONTENT_CHANGED: the way to the new file.
inline constexpr char CONTENT_CHANGED_ADVICE[] =
    "已下载的部分属于旧的文件，未作改动。要下载新的文件，请在“文件名称”中换一个名字，再按“下载”。";

}  // namespace sonivo
