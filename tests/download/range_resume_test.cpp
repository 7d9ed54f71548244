// `run` on a file that already holds bytes: which ones it continues, and what it does with
// the ones it must not. Against the loopback fault server, in a real temporary folder.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "download/RangeDownloader.h"
#include "download/ResumeRecord.h"
#include "download/StatusTexts.h"
#include "tests/download/FaultServer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TextPrinting.h"
#include "text/Gbk.h"

namespace sonivo {

namespace {

using sonivo::testing::Fault;
using sonivo::testing::FaultServer;
using sonivo::testing::TempFolder;

constexpr int64_t CONTENT_SIZE = 50000;
constexpr int64_t CHUNK = 20480;
constexpr int64_t PART = 25000;  // bytes already in the file: a range and a little
const char* const DATE = "Tue, 05 May 2020 10:00:00 GMT";

std::vector<Text> done_texts;
void record_done(const Text&, int32_t, const Text& status_text, int32_t) {
  done_texts.push_back(status_text);
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

int64_t modified_ns(const std::filesystem::path& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

std::string range(int64_t first, int64_t count = CHUNK) {
  return "bytes=" + std::to_string(first) + "-" + std::to_string(first + count - 1);
}

// Another sound's bytes: the same length of anything else.
std::string other_sound(int64_t size) {
  std::string bytes = FaultServer::pattern(7777, size);
  for (char& c : bytes) {
    c = static_cast<char>(c ^ 0x5A);
  }
  return bytes;
}

class RangeResumeTest : public ::testing::Test {
 protected:
  void SetUp() override { done_texts.clear(); }

  void configure(const std::string& url) {
    downloader.close();
    ASSERT_TRUE(downloader.init(nullptr, record_done));
    downloader.set_source(Text(url), Text());
    ASSERT_TRUE(downloader.set_target_file(gbk(target.string())));
    downloader.set_chunk_kb(20);
  }
  std::string file() const { return read_file(target); }
  std::optional<ResumeRecord> stored_record() const {
    if (!std::filesystem::exists(record)) {
      return std::nullopt;
    }
    return parse_resume_record(read_file(record));
  }

  TempFolder folder;
  std::filesystem::path target = folder.path() / "晴天.mp3";
  std::filesystem::path record = folder.path() / "晴天.mp3.sonivo-part";
  std::string content = FaultServer::pattern(0, CONTENT_SIZE);
  FaultServer server{content};
  RangeDownloader downloader;
};

// Before the first byte is appended, the run writes what the file is a part of, and when
// it ends incomplete, how it left the file; a complete download leaves nothing beside it.
TEST_F(RangeResumeTest, RecordDescribesTheContentUntilTheFileIsComplete) {
  server.set_validators("\"c350-1\"", DATE);
  server.set_fault_at(1, Fault::Unavailable503);
  configure(server.url());
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(stored_record(), (ResumeRecord{Text(server.url()), CONTENT_SIZE, Text("\"c350-1\""),
                                           Text(DATE), PartState{CHUNK, modified_ns(target)}}));

  EXPECT_TRUE(downloader.run());
  EXPECT_TRUE(file() == content);
  EXPECT_FALSE(std::filesystem::exists(record));
  EXPECT_EQ(server.range_log(),
            (std::vector<std::string>{range(0), range(CHUNK), range(CHUNK), range(2 * CHUNK)}));
}

// A part left by a download from before records existed (or copied from elsewhere) is
// continued once its last range, up to one chunk, is the server's; then it gets a record.
TEST_F(RangeResumeTest, PrefixWithoutRecordIsComparedThenContinued) {
  struct Case {
    int64_t part;
    const char* etag;
  };
  for (const Case c : {Case{PART, ""}, Case{PART, "\"v1\""}, Case{5000, ""}}) {
    SCOPED_TRACE(c.part);
    FaultServer fresh(content);
    fresh.set_validators(c.etag, "");
    std::filesystem::remove(record);
    write_file(target, content.substr(0, static_cast<std::size_t>(c.part)));
    configure(fresh.url());
    const int64_t window = std::min(c.part, CHUNK);
    fresh.set_fault_at(2, Fault::Unavailable503);  // the range after the first appended one
    EXPECT_FALSE(downloader.run());
    EXPECT_EQ(downloader.status_text(), Text("Service Unavailable"));
    EXPECT_EQ(fresh.range_log(),
              (std::vector<std::string>{range(c.part), range(c.part - window, window),
                                        range(c.part + CHUNK)}));
    EXPECT_TRUE(file() == content.substr(0, static_cast<std::size_t>(c.part) + CHUNK));
    ASSERT_TRUE(stored_record().has_value());
    EXPECT_EQ(stored_record()->etag, Text(c.etag));

    fresh.clear_faults();
    EXPECT_TRUE(downloader.run());
    EXPECT_TRUE(file() == content);
    EXPECT_FALSE(std::filesystem::exists(record));
  }
}

// A file under the chosen name that is not known to be a part of this content is never
// appended to, reported complete, cut or removed; the run says what is wrong, and the
// server's log shows that nothing beyond the checks was asked for.
struct NotAPart {
  const char* what;
  std::string file;
  std::optional<ResumeRecord> record;  // OWN_ADDRESS stands for the test server's address
  const char* etag;                    // the server's
  Fault fault;                         // for every request
  Fault comparison;                    // for the second request
  const char* status_text;
  std::vector<std::string> ranges;
};

void PrintTo(const NotAPart& c, std::ostream* out) {
  *out << c.what;
}

// "part of another sound, short" as PartOfAnotherSoundShort.
std::string test_name_of(const char* what) {
  std::string name;
  bool word_start = true;
  for (const char* at = what; *at != '\0'; ++at) {
    if (std::isalnum(static_cast<unsigned char>(*at)) == 0) {
      word_start = true;
    } else {
      name += word_start ? static_cast<char>(std::toupper(static_cast<unsigned char>(*at))) : *at;
      word_start = false;
    }
  }
  return name;
}

const std::string CONTENT = FaultServer::pattern(0, CONTENT_SIZE);
const Text OWN_ADDRESS("own address");

class NotAPartTest : public RangeResumeTest, public ::testing::WithParamInterface<NotAPart> {};

TEST_P(NotAPartTest, FileIsLeftAsItIs) {
  const NotAPart& c = GetParam();
  ASSERT_EQ(content, CONTENT);
  server.set_validators(c.etag, "");
  server.set_fault(c.fault);
  server.set_fault_at(1, c.comparison);
  write_file(target, c.file);
  std::string record_bytes;
  if (c.record) {
    ResumeRecord stored = *c.record;
    if (stored.url == OWN_ADDRESS) {
      stored.url = Text(server.url());
    }
    record_bytes = format_resume_record(stored);
    write_file(record, record_bytes);
  }
  configure(server.url());
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(downloader.status_text(), gbk(c.status_text));
  EXPECT_EQ(done_texts, std::vector<Text>{gbk(c.status_text)});
  EXPECT_TRUE(file() == c.file) << "the file was changed";
  EXPECT_EQ(std::filesystem::exists(record), c.record.has_value());
  if (c.record) {
    EXPECT_EQ(read_file(record), record_bytes);
  }
  EXPECT_EQ(server.range_log(), c.ranges);
}

INSTANTIATE_TEST_SUITE_P(
    RangeResume, NotAPartTest,
    ::testing::Values(NotAPart{"another sound, longer",
                               other_sound(CONTENT_SIZE + 1000),
                               std::nullopt,
                               "",
                               Fault::None,
                               Fault::None,
                               status_literal(RunOutcome::FileInTheWay),
                               {range(CONTENT_SIZE + 1000)}},
                      NotAPart{"another sound, longer, with its own record",
                               other_sound(CONTENT_SIZE + 1000),
                               ResumeRecord{Text("http://127.0.0.1:1/other.mp3"),
                                            CONTENT_SIZE + 2000, Text(), Text()},
                               "",
                               Fault::None,
                               Fault::None,
                               status_literal(RunOutcome::FileInTheWay),
                               {range(CONTENT_SIZE + 1000)}},
                      NotAPart{"part of another sound",
                               other_sound(PART),
                               std::nullopt,
                               "\"v1\"",
                               Fault::None,
                               Fault::None,
                               status_literal(RunOutcome::FileInTheWay),
                               {range(PART), range(PART - CHUNK)}},
                      NotAPart{"part of another sound, short",
                               other_sound(100),
                               std::nullopt,
                               "",
                               Fault::None,
                               Fault::None,
                               status_literal(RunOutcome::FileInTheWay),
                               {range(100), range(0, 100)}},
                      NotAPart{
                          "part whose record names another content",
                          CONTENT.substr(0, PART),
                          ResumeRecord{Text("http://127.0.0.1:1/other.mp3"), 99999, Text(), Text()},
                          "",
                          Fault::None,
                          Fault::None,
                          status_literal(RunOutcome::FileInTheWay),
                          {range(PART)}},
                      NotAPart{"older version, other ETag",
                               other_sound(PART),
                               ResumeRecord{OWN_ADDRESS, CONTENT_SIZE, Text("\"v0\""), Text()},
                               "\"v1\"",
                               Fault::None,
                               Fault::None,
                               status_literal(RunOutcome::ContentChanged),
                               {range(PART)}},
                      NotAPart{"older version, other length",
                               other_sound(PART),
                               ResumeRecord{OWN_ADDRESS, 60000, Text(), Text()},
                               "",
                               Fault::None,
                               Fault::None,
                               status_literal(RunOutcome::ContentChanged),
                               {range(PART)}},
                      NotAPart{"as long as an older version",
                               other_sound(CONTENT_SIZE),
                               ResumeRecord{OWN_ADDRESS, 60000, Text(), Text()},
                               "",
                               Fault::None,
                               Fault::None,
                               status_literal(RunOutcome::ContentChanged),
                               {range(CONTENT_SIZE)}},
                      NotAPart{"comparison answered with another range",
                               CONTENT.substr(0, PART),
                               std::nullopt,
                               "",
                               Fault::None,
                               Fault::WrongStart,
                               status_literal(RunOutcome::FileUnverified),
                               {range(PART), range(PART - CHUNK)}},
                      NotAPart{"comparison answered without Content-Range",
                               CONTENT.substr(0, PART),
                               std::nullopt,
                               "",
                               Fault::None,
                               Fault::NoContentRange,
                               status_literal(RunOutcome::FileUnverified),
                               {range(PART), range(PART - CHUNK)}},
                      NotAPart{"comparison answered short",
                               CONTENT.substr(0, PART),
                               std::nullopt,
                               "",
                               Fault::None,
                               Fault::BodyShort,
                               status_literal(RunOutcome::FileUnverified),
                               {range(PART), range(PART - CHUNK)}},
                      NotAPart{"comparison answered with another total",
                               CONTENT.substr(0, PART),
                               std::nullopt,
                               "",
                               Fault::None,
                               Fault::TotalChanges,
                               status_literal(RunOutcome::ContentChanged),
                               {range(PART), range(PART - CHUNK)}},
                      NotAPart{"comparison refused",
                               CONTENT.substr(0, PART),
                               std::nullopt,
                               "",
                               Fault::None,
                               Fault::Unavailable503,
                               "Service Unavailable",
                               {range(PART), range(PART - CHUNK)}},
                      NotAPart{"416 without a total",
                               CONTENT,
                               std::nullopt,
                               "",
                               Fault::TotalStar,
                               Fault::TotalStar,
                               status_literal(RunOutcome::FileUnverified),
                               {range(CONTENT_SIZE)}}),
    [](const ::testing::TestParamInfo<NotAPart>& param_info) {
      return test_name_of(param_info.param.what);
    });

// A 416 to a file as long as the content means "complete" unless a record says the file
// is a part of something else; the record goes with it.
TEST_F(RangeResumeTest, FileAsLongAsTheContentIsCompleteUnlessARecordSaysOtherwise) {
  write_file(target, content);
  write_file(record, format_resume_record({Text(server.url()), CONTENT_SIZE, Text(), Text()}));
  configure(server.url());
  EXPECT_TRUE(downloader.run());
  EXPECT_EQ(done_texts, std::vector<Text>{status_text_of(RunOutcome::Complete)});
  EXPECT_EQ(server.range_log(), std::vector<std::string>{range(CONTENT_SIZE)});
  EXPECT_FALSE(std::filesystem::exists(record));
  EXPECT_TRUE(file() == content);
}

// A record that is not ours, or was cut short, vouches for nothing: the bytes are
// compared as if there were none, and the record is replaced by the run's own.
TEST_F(RangeResumeTest, BrokenRecordCountsAsNone) {
  const std::string whole =
      format_resume_record({Text(server.url()), CONTENT_SIZE, Text("\"v1\""), Text()});
  for (const std::string& broken :
       {whole.substr(0, whole.size() - 2), std::string("\x00\xff", 2)}) {
    write_file(target, content.substr(0, PART));
    write_file(record, broken);
    FaultServer fresh(content);
    fresh.set_validators("\"v1\"", "");
    configure(fresh.url());
    fresh.set_fault_at(2, Fault::Unavailable503);
    EXPECT_FALSE(downloader.run());
    EXPECT_EQ(fresh.range_log(),
              (std::vector<std::string>{range(PART), range(PART - CHUNK), range(PART + CHUNK)}));
    EXPECT_EQ(stored_record(),
              (ResumeRecord{Text(fresh.url()), CONTENT_SIZE, Text("\"v1\""), Text(),
                            PartState{PART + CHUNK, modified_ns(target)}}));
  }
}

// The record stays when the user replaces the file (another sound under the same name,
// say): the record still names this content, but the file is not as the last run left
// it, so its bytes are compared, and being another's, left as they are.
TEST_F(RangeResumeTest, FileReplacedWhileItsRecordStayedIsCompared) {
  struct Case {
    const char* what;
    int64_t size;
  };
  for (const Case c : {Case{"longer", PART}, Case{"as long", CHUNK}}) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(target);
    FaultServer fresh(content);
    fresh.set_validators("\"v1\"", "");
    fresh.set_fault_at(1, Fault::Unavailable503);
    configure(fresh.url());
    EXPECT_FALSE(downloader.run());
    ASSERT_TRUE(stored_record().has_value());
    const std::string record_bytes = read_file(record);
    const auto left = std::filesystem::last_write_time(target);

    const std::string other = other_sound(c.size);
    write_file(target, other);
    // A clock tick may be coarser than the test: the replacement is a second younger.
    std::filesystem::last_write_time(target, left + std::chrono::seconds(1));
    EXPECT_FALSE(downloader.run());
    EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::FileInTheWay));
    EXPECT_TRUE(file() == other);
    EXPECT_EQ(read_file(record), record_bytes);
    EXPECT_EQ(fresh.range_log(), (std::vector<std::string>{range(0), range(CHUNK), range(c.size),
                                                           range(c.size - CHUNK)}));
  }
}

// A name that already fills the host's limit still gets its record, under a shortened
// name of its own that fits, and the folder holds nothing else once the file is complete.
TEST_F(RangeResumeTest, LongNameGetsARecordThatFits) {
  std::string name;
  for (int i = 0; i < 83; ++i) {
    name += "晴";  // 249 bytes in UTF-8, 253 with ".mp3"
  }
  name += ".mp3";
  server.set_validators("\"v1\"", "");
  server.set_fault_at(1, Fault::Unavailable503);
  configure(server.url());
  ASSERT_TRUE(downloader.set_target_file(gbk((folder.path() / name).string())));
  EXPECT_FALSE(downloader.run());

  std::vector<std::string> others;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    if (entry.path().filename() != name) {
      others.push_back(entry.path().filename().string());
    }
  }
  ASSERT_EQ(others.size(), 1u);
  EXPECT_LE(others[0].size(), 255u);
  EXPECT_TRUE(others[0].ends_with(".sonivo-part")) << others[0];
  EXPECT_EQ(others[0].rfind(name.substr(0, 60), 0), 0u) << others[0];
  const auto stored = parse_resume_record(read_file(folder.path() / others[0]));
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->etag, Text("\"v1\""));

  EXPECT_TRUE(downloader.run());  // the record vouches: nothing is asked for twice
  EXPECT_EQ(server.range_log(),
            (std::vector<std::string>{range(0), range(CHUNK), range(CHUNK), range(2 * CHUNK)}));
  EXPECT_TRUE(read_file(folder.path() / name) == content);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                          std::filesystem::directory_iterator()),
            1);
}

// The texts of these endings are the program's own; every character of them is in GBK.
TEST(ResumeStatusTexts, AreWhollyGbk) {
  for (const char* text :
       {status_literal(RunOutcome::FileInTheWay), status_literal(RunOutcome::FileUnverified),
        status_literal(RunOutcome::NameTooLong), status_literal(RunOutcome::ContentChanged),
        CONTENT_CHANGED_ADVICE}) {
    EXPECT_EQ(utf8_of(gbk(text)), text);
  }
}

// A name longer than the file system allows is said to be too long; nothing is asked.
TEST_F(RangeResumeTest, NameTooLongIsSaidSo) {
  std::string name;
  for (int i = 0; i < 100; ++i) {
    name += "晴";  // 300 bytes in UTF-8
  }
  configure(server.url());
  ASSERT_TRUE(downloader.set_target_file(gbk(folder.str() + "/" + name + ".mp3")));
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::NameTooLong));
  EXPECT_TRUE(server.requests().empty());
}

}  // namespace
}  // namespace sonivo
