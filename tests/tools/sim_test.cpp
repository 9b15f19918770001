// The simulated instrument where its own fault would hide one of the program:
// what its boot loader takes for a probe and for the update command, and its
// verdict on an image. A switch of its command line that did nothing would
// fail the case that sets it; the unit tests set the others as options.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "pty/pty.h"
#include "sim/boot_dialogue.h"
#include "sim/fd_waits.h"
#include "sim/instrument.h"
#include "srec/record.h"

namespace {

using namespace std::chrono_literals;

// Nothing but a probe before the prompt, and then only "update" and a CR
// exactly; the bytes after it are the image's.
TEST(SimBootLoader, TakesOnlyTheProbeAndTheExactCommand) {
  const struct {
    std::string input;
    std::vector<std::string> replies;
    bool accepted;
  } cases[] = {
      {"UU", {"Lodar >", "Lodar >"}, false},
      {"Uupdate\rS3", {"Lodar >", "Update Firmware\r\n"}, true},
      {"update\rUupdate\r", {"Lodar >", "Update Firmware\r\n"}, true},  // before the prompt: noise
      {"UupdatE\r", {"Lodar >", "Lodar >"}, false},
      {"Uupdate\n", {"Lodar >"}, false},
      {"UUPDATE\r", {"Lodar >", "Lodar >", "Lodar >"}, false},
      {"UupUdate\r", {"Lodar >", "Lodar >"}, false},
  };
  for (const auto& c : cases) {
    sim::BootDialogue dialogue({});
    std::vector<std::string> replies;
    const std::size_t used = dialogue.consume(c.input, replies);
    EXPECT_EQ(replies, c.replies) << c.input;
    EXPECT_EQ(dialogue.updateAccepted(), c.accepted) << c.input;
    EXPECT_EQ(used, c.accepted ? c.input.find('\r', c.input.rfind('U')) + 1 : c.input.size()) << c.input;
  }
}

// The verdict on what follows the update command: valid only when every
// record is and nothing follows S7, and the expected image only byte for byte.
// A reply that comes late gets the command once more before the image: that
// repeat is the same command, and nothing else before the image is.
TEST(SimImage, TheVerdictOnWhatFollowsTheCommand) {
  const std::string image =
      srec::format({3, 0, {1, 2}}) + srec::format({3, 2, {3}}) + srec::format({7, 0, {}});
  std::string header = image;
  header[image.find("S3", 1) + 1] = '0';  // a data record turned header: valid records, another image
  const struct {
    const char* what;
    std::string sent;
    bool valid, matches;
    unsigned long long repeats;
  } cases[] = {
      {"the expected image", image, true, true, 0},
      {"the command twice more, then the image", "update\rupdate\r" + image, true, true, 2},
      {"part of the command", "upd" + image, false, false, 0},
      {"the command and another byte", "update\rx" + image, false, false, 1},
      {"another valid image", header, true, false, 0},
      {"a byte after S7", image + "U", false, false, 0},
  };
  for (const auto& c : cases) {
    sim::Instrument instrument({.baud = 0, .expectedImage = image});
    instrument.start();
    const int line = pty::openRaw(instrument.devicePath());
    std::string received;
    for (const char* command : {"U", "update\r"}) {
      ASSERT_TRUE(sim::writeAll(line, command, -1, posix::After(5s)));
      while (received.find(command[0] == 'U' ? "Lodar >" : "Firmware\r\n") == std::string::npos &&
             sim::waitFor(line, POLLIN, -1, posix::After(5s)) == sim::Wake::Ready) {
        char bytes[64];
        const ssize_t got = ::read(line, bytes, sizeof bytes);
        if (got > 0) received.append(bytes, static_cast<std::size_t>(got));
      }
    }
    ASSERT_TRUE(sim::writeAll(line, c.sent, -1, posix::After(5s)));
    ASSERT_TRUE(instrument.waitForImage(10s)) << c.what;
    const sim::Summary summary = instrument.summary();
    EXPECT_EQ(summary.valid, c.valid) << c.what;
    EXPECT_EQ(summary.matchesExpected, c.matches) << c.what;
    EXPECT_EQ(summary.repeatedCommands, c.repeats) << c.what;
    ::close(line);
  }
}

}  // namespace
