#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encoding/Encoding.h"
#include "resolve/PageEncoding.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

TEST(PageEncoding, Utf8Validity) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const std::vector<Case> cases = {
      {"", true},
      {"plain ascii", true},
      {"中文 ü €", true},
      {"\xF0\x9F\x8E\xB5", true},          // U+1F3B5
      {"\xC0\xAF", false},                 // overlong "/"
      {"\xE0\x80\xAF", false},             // overlong
      {"\xED\xA0\x80", false},             // a surrogate
      {"\xF4\x90\x80\x80", false},         // beyond U+10FFFF
      {"\xE4\xB8", false},                 // cut short
      {"\x80", false},                     // a lone trail byte
      {"\xD6\xD0\xCE\xC4", false},         // 中文 in GBK
      {"\xE4\xB8\xAD\xE6\x96\x87", true},  // 中文 in UTF-8
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_valid_utf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
  }
}

TEST(PageEncoding, GbkValidity) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const std::vector<Case> cases = {
      {"", true},          {"ascii", true}, {"\xD6\xD0\xCE\xC4", true},  // 中文
      {"\x80", true},       // the euro sign of code page 936
      {"\xD5\x5C", true},   // a trail byte in the ASCII range
      {"\xD6", false},      // a lead byte cut off
      {"\xD6\x30", false},  // a digit is no trail byte
      {"\xD6\x7F", false}, {"\xFF", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_valid_gbk(c.bytes), c.valid) << testing::PrintToString(c.bytes);
  }
}

TEST(PageEncoding, DeclaredCharset) {
  struct Case {
    std::string what;
    std::string page;
    std::string headers;
    std::string charset;
  };
  const std::string status = "HTTP/1.1 200 OK\r\n";
  const std::vector<Case> cases = {
      {"header", "", status + "Content-Type: text/html; charset=GBK\r\n\r\n", "gbk"},
      {"header in other case, no blank", "",
       status + "content-type:text/html;CHARSET = 'gb2312'\r\n\r\n", "gb2312"},
      {"a charset in another header is not the page's", "",
       status + "X-Note: charset=gbk\r\nContent-Type: text/html\r\n\r\n", ""},
      {"meta", "<html><meta charset=gb18030>", status, "gb18030"},
      {"meta http-equiv", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-gbk\">",
       status, "x-gbk"},
      {"first meta with a charset", "<meta name=a><meta charset=\"gbk\"><meta charset=\"utf-8\">",
       "", "gbk"},
      {"meta beyond the first 1024 bytes", std::string(1100, ' ') + "<meta charset=gbk>", "", ""},
      {"an unclosed meta", "<meta charset=gbk", "", "gbk"},
      {"charset without a value", "<meta charset>", "", ""},
      {"header before meta", "<meta charset=gbk>",
       status + "Content-Type: text/html; charset=utf-8\r\n\r\n", "utf-8"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(declared_charset(Text(c.page), Text(c.headers)).str(), c.charset) << c.what;
  }
}

TEST(PageEncoding, GbkFamily) {
  for (const char* name : {"gbk", "GB2312", "gb18030", "x-gbk", "csGB2312", "cp936"}) {
    EXPECT_TRUE(is_gbk_family_charset(Text(name))) << name;
  }
  for (const char* name : {"", "utf-8", "big5", "gbk2", "iso-8859-1"}) {
    EXPECT_FALSE(is_gbk_family_charset(Text(name))) << name;
  }
}

TEST(PageEncoding, PageText) {
  const Text utf8_page("<p>中文</p>");
  EXPECT_EQ(page_text_of(utf8_page, Text()), utf8_to_gbk(utf8_page));
  EXPECT_EQ(page_text_of(utf8_page, Text()), gbk("<p>中文</p>"));
  const Text gbk_page = gbk("<p>中文</p>");
  EXPECT_EQ(page_text_of(gbk_page, Text()), gbk_page);
  // Neither UTF-8 nor GBK: converted from UTF-8 as before.
  const Text broken("<p>\xFF\xFE</p>");
  EXPECT_EQ(page_text_of(broken, Text()), utf8_to_gbk(broken));
  // Declared GBK is taken as it is, even where its bytes are not all well-formed.
  EXPECT_EQ(page_text_of(broken, Text("Content-Type: text/html; charset=gbk\r\n")), broken);
}

}  // namespace
}  // namespace sonivo
