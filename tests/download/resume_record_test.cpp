// The resume record's text form and how a record compares with what a server says.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "download/ResumeRecord.h"

namespace sonivo {

void PrintTo(const Text& text, std::ostream* out) {
  *out << '"' << text.str() << '"';
}
void PrintTo(const ResumeRecord& record, std::ostream* out) {
  *out << '{' << record.url.str() << ", " << record.total_length << ", " << record.etag.str()
       << ", " << record.last_modified.str() << '}';
}

namespace {

const char* const DATE = "Tue, 05 May 2020 10:00:00 GMT";

TEST(ResumeRecordTest, WritesReadableLines) {
  const ResumeRecord record{Text("http://127.0.0.1/a.mp3?sig=ab12&t=9"), 307317,
                            Text("\"5f3a-4b075\""), Text(DATE)};
  EXPECT_EQ(format_resume_record(record),
            "sonivo-part 1\n"
            "url http://127.0.0.1/a.mp3?sig=ab12&t=9\n"
            "total 307317\n"
            "etag \"5f3a-4b075\"\n"
            "last-modified Tue, 05 May 2020 10:00:00 GMT\n"
            "end\n");
  EXPECT_EQ(format_resume_record({Text("u"), 0, Text(), Text()}),
            "sonivo-part 1\nurl u\ntotal 0\nend\n");
  EXPECT_EQ(format_resume_record({Text("u"), 9, Text(), Text(), PartState{4, 1588672800123456789}}),
            "sonivo-part 1\nurl u\ntotal 9\npart 4 1588672800123456789\nend\n");
}

// Whatever a value holds (GBK, "%", line breaks, DEL, a leading space) reads back as it was.
TEST(ResumeRecordTest, EveryRecordReadsBackAsWritten) {
  const ResumeRecord records[] = {
      {Text("http://h/%E6%99%B4.mp3"), 1, Text(), Text()},
      {Text("http://h/a\r\nb\x7f\tc d%"), int64_t{1} << 53, Text(" W/\"x\" "), Text("\x01")},
      {Text("\xc7\xe7\xcc\xec.mp3"), 0, Text("%00"), Text()},
      {Text(), 42, Text(), Text(DATE)},
      {Text("u"), 50000, Text("e"), Text(), PartState{40960, INT64_MAX}},
      {Text("u"), 0, Text(), Text(), PartState{0, 0}},
  };
  for (const auto& record : records) {
    const std::string stored = format_resume_record(record);
    EXPECT_EQ(stored.find('\r'), std::string::npos);
    EXPECT_EQ(parse_resume_record(stored), record) << stored;
  }
}

TEST(ResumeRecordTest, AnythingElseIsNoRecord) {
  const std::string good = "sonivo-part 1\nurl u\ntotal 5\nend\n";
  ASSERT_TRUE(parse_resume_record(good).has_value());
  EXPECT_TRUE(parse_resume_record("sonivo-part 1\r\nurl u\r\ntotal 5\r\nend\r\n").has_value());
  const std::string broken[] = {
      "",
      "sonivo-part 1\n",
      "sonivo-part 2\nurl u\ntotal 5\nend\n",        // another version
      "sonivo-part 1\nurl u\ntotal 5\nend",          // cut short
      "sonivo-part 1\nurl u\ntotal 5\n",             // no end
      "sonivo-part 1\nurl u\ntotal 5\nend\nmore\n",  // something after the end
      "sonivo-part 1\nurl u\nend\n",                 // no total
      "sonivo-part 1\ntotal 5\nend\n",               // no url
      "sonivo-part 1\nurl u\nurl v\ntotal 5\nend\n",
      "sonivo-part 1\nurl u\ntotal 5\netag a\netag a\nend\n",
      "sonivo-part 1\nurl u\ntotal 5\nsize 9\nend\n",
      "sonivo-part 1\nurl u\ntotal\nend\n",
      "sonivo-part 1\nurl u\ntotal -5\nend\n",
      "sonivo-part 1\nurl u\ntotal 5x\nend\n",
      "sonivo-part 1\nurl u\ntotal \nend\n",
      "sonivo-part 1\nurl u\ntotal 9007199254740993\nend\n",  // beyond 2^53
      "sonivo-part 1\nurl u\ntotal 99999999999999999999999\nend\n",
      "sonivo-part 1\nurl u%\ntotal 5\nend\n",
      "sonivo-part 1\nurl u%4\ntotal 5\nend\n",
      "sonivo-part 1\nurl u%zz\ntotal 5\nend\n",
      "sonivo-part 1\nurl u%00\ntotal 5\nend\n",
      std::string("sonivo-part 1\nurl u") + '\0' + "v\ntotal 5\nend\n",
      "sonivo-part 1\nurl u\tv\ntotal 5\nend\n",  // a raw control byte
      "sonivo-part 1\nurl u\rv\ntotal 5\nend\n",
      "sonivo-part 1\nurl\ntotal 5\nend\n",
      "sonivo-part 1\nurl u\ntotal 5\npart 5\nend\n",
      "sonivo-part 1\nurl u\ntotal 5\npart 5 x\nend\n",
      "sonivo-part 1\nurl u\ntotal 5\npart -1 5\nend\n",
      "sonivo-part 1\nurl u\ntotal 5\npart 5  5\nend\n",
      "sonivo-part 1\nurl u\ntotal 5\npart 5 9223372036854775808\nend\n",  // beyond int64
      "sonivo-part 1\nurl u\ntotal 5\npart 9007199254740993 1\nend\n",
      "sonivo-part 1\nurl u\ntotal 5\npart 1 1\npart 1 1\nend\n",
      good + std::string(MAX_RESUME_RECORD_SIZE, 'x'),
  };
  for (const std::string& stored : broken) {
    EXPECT_FALSE(parse_resume_record(stored).has_value()) << stored.substr(0, 200);
  }
}

TEST(ResumeRecordTest, ComparesWithWhatTheServerSays) {
  const Text url("http://h/a.mp3");
  const Text moved("http://h/a.mp3?sig=2");
  struct Case {
    ResumeRecord stored;
    ResumeRecord now;
    RecordMatch match;
  };
  const Case cases[] = {
      {{url, 100, Text("e"), Text()}, {url, 100, Text("e"), Text()}, RecordMatch::Confirmed},
      {{url, 100, Text(), Text(DATE)}, {url, 100, Text("e"), Text(DATE)}, RecordMatch::Confirmed},
      {{url, 0, Text("e"), Text()}, {url, 0, Text("e"), Text()}, RecordMatch::Confirmed},
      {{url, 100, Text("e"), Text()}, {url, 100, Text("f"), Text()}, RecordMatch::Contradicted},
      {{url, 100, Text(), Text(DATE)}, {url, 100, Text(), Text("x")}, RecordMatch::Contradicted},
      {{url, 100, Text(), Text()}, {url, 101, Text(), Text()}, RecordMatch::Contradicted},
      {{url, 100, Text("e"), Text()}, {moved, 101, Text("e"), Text()}, RecordMatch::Contradicted},
      {{url, 100, Text("e"), Text()}, {moved, 100, Text("e"), Text()}, RecordMatch::Unconfirmed},
      {{url, 100, Text(), Text()}, {url, 100, Text(), Text()}, RecordMatch::Unconfirmed},
      {{url, 100, Text("e"), Text()}, {url, 100, Text(), Text(DATE)}, RecordMatch::Unconfirmed},
      {{url, 0, Text("e"), Text()}, {url, 100, Text("e"), Text()}, RecordMatch::Unconfirmed},
      {{url, 100, Text("e"), Text()}, {url, 0, Text("e"), Text()}, RecordMatch::Unconfirmed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.stored) + " / " + ::testing::PrintToString(c.now));
    EXPECT_EQ(compare_resume_record(c.stored, c.now), c.match);
  }
}

}  // namespace
}  // namespace sonivo
