// The two scans and the receive buffer's runs, rule by rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "upgrade/prompt_scan.h"
#include "upgrade/reply_scan.h"
#include "upgrade/rx_snapshot.h"

namespace {

using namespace std::string_literals;

enum Text { kPrompt, kReply };

struct ScanCase {
  const char* what;
  Text text;
  std::vector<std::string> reads;
  int foundIn;  // the read whose scan recognises the text; -1: none does
};

// Each read is scanned on its own, going on from where the scan of the one before it stopped.
int FoundIn(const ScanCase& c) {
  std::string received;
  int matched = 0;
  ReplyMatch match;
  for (std::size_t i = 0; i < c.reads.size(); ++i) {
    const std::size_t from = received.size();
    received += c.reads[i];
    const auto* bytes = reinterpret_cast<const unsigned char*>(received.data());
    if (c.text == kPrompt ? ScanForPrompt(bytes, from, received.size(), matched)
                          : ScanForReply(bytes, from, received.size(), match))
      return static_cast<int>(i);
  }
  return -1;
}

TEST(Scans, EachRule) {
  const ScanCase cases[] = {
      {"the whole prompt", kPrompt, {"Lodar >"}, 0},
      {"the prompt's seventh character is not compared", kPrompt, {"Lodar v1.2"}, 0},
      {"its space is", kPrompt, {"Lodar>"}, -1},
      {"prompt in small letters", kPrompt, {"lodar >"}, -1},
      {"the byte that breaks a match is not tried again: a doubled first letter", kPrompt, {"LLodar >"}, -1},
      {"a partial prompt, another byte, the whole prompt", kPrompt, {"Lod-Lodar >"}, 0},
      {"a zero byte is an ordinary byte before the prompt", kPrompt, {"\0Lodar "s}, 0},
      {"and breaks it inside", kPrompt, {"Lo\0dar "s}, -1},
      {"the prompt across reads, one of them empty", kPrompt, {"xLod", "", "ar >"}, 2},
      {"its first letter last in a read", kPrompt, {"xxL", "odar "}, 1},
      {"its last letter alone", kPrompt, {"Lodar", " "}, 1},
      {"broken by the first byte of the next read", kPrompt, {"Lod", "Lodar >"}, -1},
      {"the whole reply", kReply, {"Update Firmware"}, 0},
      {"a small u", kReply, {"update Firmware"}, -1},
      {"a small f", kReply, {"Update firmware"}, -1},
      {"one foreign byte after each matched letter", kReply, {"U-p-d-a-t-e- -F-i-r-m-w-a-r-e"}, 0},
      {"two foreign bytes in a row", kReply, {"Upd##ate Firmware"}, -1},
      {"a zero byte is a foreign byte", kReply, {"Upd\0ate Firmware"s}, 0},
      {"noise and zero bytes around the reply", kReply, {"\0\xfe\x13\0Update Firmware\0\x8a\0"s}, 0},
      {"repeats of matched letters", kReply, {"UUpdaaate  Firmmmware"}, 0},
      {"repeats, then one foreign byte", kReply, {"Uppp#date Firmware"}, 0},
      {"a foreign byte, then a repeat", kReply, {"Up#pdate Firmware"}, -1},
      {"the byte that breaks a match is not tried again", kReply, {"UpUpdate Firmware"}, -1},
      {"a first letter, a foreign byte, the whole reply", kReply, {"U#Update Firmware"}, -1},
      {"the reply across reads, two of them empty", kReply, {"xxUpdate F", "", "", "irmware\r\n"}, 3},
      {"its last letter alone", kReply, {"Update Firmwar", "e"}, 1},
      {"a foreign byte first in the next read", kReply, {"Up", "#date Firmware"}, 1},
      {"two foreign bytes across reads", kReply, {"Up#", "#date Firmware"}, -1},
  };
  for (const ScanCase& c : cases) EXPECT_EQ(FoundIn(c), c.foundIn) << c.what;
}

// The bytes delivered since a scan, as runs of the buffer in the order they came ("!": after a loss).
TEST(Scans, RunsSinceTheLastScan) {
  const struct {
    const char* what;
    std::uint32_t count, earlier;
    std::size_t fill, wrapFill;
    const char* runs;
  } cases[] = {
      {"new bytes before the fill", 530, 500, 150, 0, "[120,150) [150,150) "},
      {"all since the buffer went back to its start", 1060, 1000, 60, 950, "[0,60) [60,60) "},
      {"some before the buffer went back to its start", 1000, 900, 60, 950, "[910,950) [0,60) "},
      {"the new start overwrote some unread", 2000, 1040, 920, 950, "[920,950)! [0,920) "},
      {"more than the previous pass held", 1500, 1000, 100, 300, "[100,300)! [0,100) "},
      {"the count went past its largest value", 20, 0xFFFFFFF6u, 50, 0, "[20,50) [50,50) "},
  };
  for (const auto& c : cases) {
    const RxSnapshot rx{{}, c.count, c.fill, c.wrapFill};
    std::string runs;
    for (const RxRun& run : rx.NewSince(c.earlier))
      runs +=
          "[" + std::to_string(run.begin) + "," + std::to_string(run.end) + (run.afterLoss ? ")! " : ") ");
    EXPECT_EQ(runs, c.runs) << c.what;
  }
}

}  // namespace
