// The two scans over a receive buffer, case by case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "upgrade/prompt_scan.h"
#include "upgrade/reply_scan.h"

namespace {

bool Prompt(const std::string& text) {
  int matched = 0;
  return ScanForPrompt(reinterpret_cast<const unsigned char*>(text.data()), 0, text.size(), matched);
}

struct ScanCase {
  const char* what;
  std::string text;
  bool found;
};

TEST(PromptScan, Cases) {
  const ScanCase cases[] = {
      {"whole prompt", "Lodar >", true},
      {"prompt after noise", "UUU\r\nLodar >", true},
      {"any byte after the space", "Lodar v1.2", true},
      {"space is required", "Lodar>", false},
      {"small letters", "lodar >", false},
      {"doubled first letter", "LLodar >", false},
      {"partial then whole, broken by its own first letter", "LodLodar >", false},
      {"partial then whole after another byte", "Lod-Lodar >", true},
      {"zero bytes are ordinary bytes", std::string("\0Lodar ", 7), true},
      {"zero byte inside the pattern", std::string("Lo\0dar ", 7), false},
  };
  for (const auto& c : cases) EXPECT_EQ(Prompt(c.text), c.found) << c.what;
}

bool Reply(const std::string& text) {
  ReplyMatch match;
  return ScanForReply(reinterpret_cast<const unsigned char*>(text.data()), 0, text.size(), match);
}

// The reply delivered in pieces, each scan going on where the previous one ended.
std::vector<int> MatchedAfterEachPiece(const std::vector<std::string>& pieces) {
  std::string received;
  std::vector<int> ends;
  ReplyMatch match;
  for (const auto& piece : pieces) {
    const std::size_t from = received.size();
    received += piece;
    const bool found =
        ScanForReply(reinterpret_cast<const unsigned char*>(received.data()), from, received.size(), match);
    ends.push_back(found ? -1 : match.matched);
  }
  return ends;
}

TEST(ReplyScan, Cases) {
  const ScanCase cases[] = {
      {"whole reply", "Update Firmware", true},
      {"reply after the echo", "update\rUpdate Firmware\r\n", true},
      {"small letters", "update firmware", false},
      {"small u", "update Firmware", false},
      {"small f", "Update firmware", false},
      {"one foreign byte between every two", "U-p-d-a-t-e- -F-i-r-m-w-a-r-e", true},
      {"isolated foreign bytes", "Up#date Fi*rmware", true},
      {"two foreign bytes in a row", "Upd##ate Firmware", false},
      {"first letter doubled", "UUpdate Firmware", true},
      {"letters repeated", "Uppppdaaate  Firmmmware", true},
      {"first two letters, then the whole reply", "UpUpdate Firmware", false},
      {"first letter, foreign byte, whole reply", "U#Update Firmware", false},
      {"line noise with zero bytes around the reply", std::string("\0\xfe\x13\0Update Firmware\0\x8a\0", 22),
       true},
      {"a zero byte is a foreign byte", std::string("Upd\0ate Firmware", 16), true},
  };
  for (const auto& c : cases) EXPECT_EQ(Reply(c.text), c.found) << c.what;
}

// -1: recognised.
TEST(ReplyScan, PiecesAreScannedAsOneText) {
  EXPECT_EQ(MatchedAfterEachPiece({"xxUpdate Fi", "rmware\r\n"}), (std::vector<int>{9, -1}));
  EXPECT_EQ(MatchedAfterEachPiece({"Update F", "", "", "irmware\r\n"}), (std::vector<int>{8, 8, 8, -1}));
  EXPECT_EQ(MatchedAfterEachPiece({"Up", "#date Firmware"}), (std::vector<int>{2, -1}));
  EXPECT_EQ(MatchedAfterEachPiece({"Up", "##date Firmware"}), (std::vector<int>{2, 0}));
}

}  // namespace
