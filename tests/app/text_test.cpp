// Text the program writes for other programs stays valid UTF-8: each byte of
// an ill-formed sequence becomes U+FFFD, everything well-formed is kept; text
// it shows on a terminal shows no control character.
#include <gtest/gtest.h>

#include <string>

#include "app/record/json_text.h"
#include "json_string.h"
#include "utf8_text.h"
#include "visible_text.h"

namespace {

TEST(ValidUtf8, KeepsWellFormedTextAndReplacesEachBadByte) {
  struct Case {
    const char* what;
    std::string in;
    std::string out;
    std::size_t bad;
  } cases[] = {
      {"ASCII", "bench 4", "bench 4", 0},
      {"a NUL is text", std::string("a\0b", 3), std::string("a\0b", 3), 0},
      {"Chinese and e acute", "\xE7\x94\xA2\xE7\xB7\x9A \xC3\xA9", "\xE7\x94\xA2\xE7\xB7\x9A \xC3\xA9", 0},
      {"four bytes (U+1F600)", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", 0},
      {"the last code point, U+10FFFF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", 0},
      {"0xFF inside a name",
       "line\xFF"
       "7",
       "line\xEF\xBF\xBD"
       "7",
       1},
      {"a stray continuation byte", "\x80", "\xEF\xBF\xBD", 1},
      {"a sequence cut at the end", "a\xE7\x94", "a\xEF\xBF\xBD\xEF\xBF\xBD", 2},
      {"a sequence cut by ASCII",
       "\xE7\x94"
       "A",
       "\xEF\xBF\xBD\xEF\xBF\xBD"
       "A",
       2},
      {"overlong '/'", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD", 2},
      {"overlong three bytes", "\xE0\x80\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", 3},
      {"a surrogate (U+D800)", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", 3},
      {"above U+10FFFF", "\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", 4},
      {"a lead byte that never starts one",
       "\xF5"
       "a",
       "\xEF\xBF\xBD"
       "a",
       1},
      {"a bad byte, then a good sequence", "\xFE\xC3\xA9", "\xEF\xBF\xBD\xC3\xA9", 1},
  };
  for (const Case& c : cases) {
    std::size_t bad = 99;
    EXPECT_EQ(ValidUtf8(c.in, &bad), c.out) << c.what;
    EXPECT_EQ(bad, c.bad) << c.what;
  }
}

// An event log insert is cut to the UTF-16 units the call takes.
TEST(Utf16Prefix, TakesWholeCharactersUpToTheUnits) {
  struct Case {
    const char* what;
    std::string in;
    std::size_t units;
    std::string out;
  } cases[] = {
      {"shorter: whole", "bench 4", 31839, "bench 4"},
      {"ASCII, one unit a byte", "bench 4", 5, "bench"},
      {"three bytes, one unit", "\xE7\x94\xA2\xE7\xB7\x9A", 1, "\xE7\x94\xA2"},
      {"beyond U+FFFF, two units: never half of it", "a\xF0\x9F\x98\x80", 2, "a"},
      {"beyond U+FFFF, whole where both fit",
       "a\xF0\x9F\x98\x80"
       "b",
       3, "a\xF0\x9F\x98\x80"},
      {"a bad byte is one unit, as its U+FFFD", "\xFF\xE7\x94", 2, "\xFF\xE7"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf16Prefix(c.in, c.units), c.out) << c.what;
}

TEST(JsonString, WritesValidUtf8WhateverItIsGiven) {
  struct Case {
    const char* what;
    std::string in;
    std::string out;
  } cases[] = {
      {"Chinese and e acute as they are", "\xE7\x94\xA2\xE7\xB7\x9A \xC3\xA9",
       "\"\xE7\x94\xA2\xE7\xB7\x9A \xC3\xA9\""},
      {"a bad byte as U+FFFD",
       "line\xFF"
       "7",
       "\"line\xEF\xBF\xBD"
       "7\""},
      {"escapes still escaped", "a\"\\\x01", "\"a\\\"\\\\\\u0001\""},
  };
  for (const Case& c : cases) EXPECT_EQ(JsonString(c.in), c.out) << c.what;
}

TEST(VisibleText, ControlCharactersCannotMoveTheCursor) {
  EXPECT_EQ(VisibleText("a\x1b[2Ab\rc\td\x7f"), "a?[2Ab?c\td?");
  // The one-character CSI (U+009B) and the other C1 controls; letters beside them stay.
  EXPECT_EQ(VisibleText("e\xc2\x9b"
                        "2A\xc2\x80\xc2\x9f\xc2\xa0\xc3\xa9\xe7\x94\xa2"),
            "e?2A??\xc2\xa0\xc3\xa9\xe7\x94\xa2");
  // A lone C1 byte, which a terminal that is not in UTF-8 takes as one.
  EXPECT_EQ(VisibleText("e\x9b"
                        "2A"),
            "e\xef\xbf\xbd"
            "2A");
}

}  // namespace
