#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <time.h>

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "image/image_generator.h"
#include "pty/pty.h"
#include "pty_client.h"
#include "sim/crc32.h"
#include "sim/instrument.h"
#include "sim_line.h"

namespace {

using namespace std::chrono_literals;
using tools_test::PtyClient;
using tools_test::SimLine;
using tools_test::unthrottled;

TEST(Instrument, ProbeGetsPromptAndUpdateGetsReply) {
  SimLine line(unthrottled());
  line.enterUpdate();
  const sim::Summary summary = line.instrument.summary();
  EXPECT_EQ(summary.probeBytes, 1u);
  EXPECT_EQ(summary.commands, 1u);
}

// A slow reply makes the programmer send its command again before it sees the
// reply: the repeats are the same command, anything else is image data.
TEST(Instrument, CommandRepeatedBeforeTheImageIsNotImageData) {
  const std::string image = image::generate(9'000);
  const struct {
    std::string before;
    bool valid;
    unsigned long long repeats;
  } cases[] = {{"update\rupdate\r", true, 2}, {"upd", false, 0}, {"update\rx", false, 1}};
  for (const auto& c : cases) {
    SimLine line(unthrottled());
    line.enterUpdate();
    ASSERT_TRUE(line.client.write(c.before));
    ASSERT_EQ(line.client.stream(image, 900), image.size());
    ASSERT_TRUE(line.instrument.waitForImage(20s));
    const sim::Summary summary = line.instrument.summary();
    EXPECT_EQ(summary.valid, c.valid) << c.before;
    EXPECT_EQ(summary.repeatedCommands, c.repeats) << c.before;
  }
}

TEST(Instrument, StreamedImageArrivesByteForByte) {
  SimLine line(unthrottled());
  line.enterUpdate();
  const std::string image = image::generate(60'000);
  ASSERT_EQ(line.client.stream(image, 900), image.size());
  ASSERT_TRUE(line.instrument.waitForImage(20s));
  const sim::Summary summary = line.instrument.summary();
  EXPECT_TRUE(summary.valid);
  EXPECT_TRUE(summary.sawEnd);
  EXPECT_EQ(summary.bytes, image.size());
  EXPECT_EQ(summary.records, image::recordSizes(60'000).size() + 1);
  EXPECT_EQ(summary.crc32, sim::crc32Of(image));
  EXPECT_LE(summary.firstByteSeconds, summary.lastByteSeconds);
}

// The programmer's side of a line whose far end the instrument opened by path:
// reads until `text` arrived or nothing came for 10 s.
std::string readUntil(int fd, std::string_view text) {
  std::string received;
  pollfd pfd{fd, POLLIN, 0};
  while (received.find(text) == std::string::npos && ::poll(&pfd, 1, 10'000) > 0) {
    char buffer[256];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    received.append(buffer, static_cast<std::size_t>(got));
  }
  return received;
}

// As on a UART's far end: the tty exists before the instrument and outlives it.
TEST(Instrument, PlaysOnAnExistingTerminal) {
  pty::Pty wire;
  sim::Options options = unthrottled();
  options.device = wire.slavePath();
  sim::Instrument instrument(options);
  EXPECT_EQ(instrument.devicePath(), wire.slavePath());
  instrument.start();
  const std::string image = image::generate(20'000);
  const std::string dialogue[][2] = {{"U", "Lodar >"}, {"update\r", "Update Firmware\r\n"}};
  for (const auto& [command, reply] : dialogue) {
    ASSERT_EQ(::write(wire.master(), command.data(), command.size()), static_cast<ssize_t>(command.size()));
    const std::string got = readUntil(wire.master(), reply);
    EXPECT_NE(got.find(reply), std::string::npos) << command << " got [" << got << "]";
  }
  for (std::size_t sent = 0; sent < image.size();) {
    const ssize_t written = ::write(wire.master(), image.data() + sent, image.size() - sent);
    ASSERT_GT(written, 0);
    sent += static_cast<std::size_t>(written);
  }
  ASSERT_TRUE(instrument.waitForImage(20s));
  EXPECT_TRUE(instrument.summary().valid);
  EXPECT_EQ(instrument.summary().crc32, sim::crc32Of(image));
}

TEST(Instrument, CorruptRecordMakesTheImageInvalid) {
  SimLine line(unthrottled());
  line.enterUpdate();
  std::string image = image::generate(9'000);
  image[image.find("\nS3", 4'000) + 30] ^= 1;
  line.client.stream(image, 900);
  ASSERT_TRUE(line.instrument.waitForImage(20s));
  const sim::Summary summary = line.instrument.summary();
  EXPECT_FALSE(summary.valid);
  EXPECT_EQ(summary.badRecords, 1u);
  EXPECT_EQ(summary.bytes, image.size());
}

TEST(Instrument, IncompleteImageEndsAfterTheLineGoesQuiet) {
  SimLine line(unthrottled());
  line.enterUpdate();
  const std::string image = image::generate(9'000);
  line.client.stream(std::string_view(image).substr(0, 5'000), 900);
  ASSERT_TRUE(line.instrument.waitForImage(20s));
  const sim::Summary summary = line.instrument.summary();
  EXPECT_FALSE(summary.sawEnd);
  EXPECT_FALSE(summary.valid);
  EXPECT_EQ(summary.bytes, 5'000u);
}

TEST(Instrument, BytesBeforePowerOnAreLost) {
  sim::Options options = unthrottled();
  options.powerOnDelay = 600ms;
  const auto started = std::chrono::steady_clock::now();
  SimLine line(options);
  ASSERT_TRUE(line.client.write("UUhelp\r"));
  if (std::chrono::steady_clock::now() - started > 300ms) GTEST_SKIP() << "machine too busy to write in time";
  EXPECT_EQ(line.client.readUntil("Lodar >", 300ms), "");
  std::this_thread::sleep_until(started + 700ms);  // the delay is defined by the clock
  line.enterUpdate();
  EXPECT_EQ(line.instrument.summary().probeBytes, 1u);
  EXPECT_EQ(line.instrument.summary().commands, 1u);
  EXPECT_EQ(line.instrument.summary().lostBytes, 7u);
}

TEST(Instrument, RepliesStartTheLatencyAfterTheCommand) {
  sim::Options options = unthrottled();
  options.replyLatency = 150ms;
  SimLine line(options);
  const auto sent = std::chrono::steady_clock::now();
  ASSERT_TRUE(line.client.write("U"));
  ASSERT_EQ(line.client.readUntil("Lodar >"), "Lodar >");
  EXPECT_GE(std::chrono::steady_clock::now() - sent, 150ms);
  ASSERT_TRUE(line.client.write("update\r"));
  EXPECT_EQ(line.client.readUntil("Update Firmware\r\n"), "Update Firmware\r\n");
}

// The image as sent, spoilt after its S7 record or compared with another one.
TEST(Instrument, JudgesTheWholeStreamAndComparesItWithTheExpectedImage) {
  const std::string image = image::generate(9'000);
  std::string changed = image;
  ASSERT_EQ(changed.substr(4'320, 2), "S3");
  changed[4'321] = '0';  // a data record turned header: still valid records, not the image
  const struct {
    const char* what;
    std::string sent;
    std::optional<std::string> expected;
    bool valid;
    std::string_view json;
  } cases[] = {
      {"as expected", image, image, true, R"("matchesExpected":true,)"},
      {"one byte differs", changed, image, true, R"("matchesExpected":false,"firstDifference":4321,)"},
      {"bytes after S7", image + "Uupdate\r", image, false, R"("firstDifference":9000,)"},
      {"no expectation", image, std::nullopt, true, R"("lineEfficiency":0.0000,"probeBytes")"},
  };
  for (const auto& test : cases) {
    sim::Options options = unthrottled();
    options.expectedImage = test.expected;
    SimLine line(options);
    line.enterUpdate();
    ASSERT_EQ(line.client.stream(test.sent, 900), test.sent.size()) << test.what;
    ASSERT_TRUE(line.instrument.waitForImage(20s)) << test.what;
    const sim::Summary summary = line.instrument.summary();
    EXPECT_EQ(summary.valid, test.valid) << test.what;
    EXPECT_EQ(summary.bytes, test.sent.size()) << test.what;
    EXPECT_NE(summary.toJson().find(test.json), std::string::npos) << test.what << ": " << summary.toJson();
  }
}

TEST(Instrument, FlagsBytesAfterTheEndRecord) {
  SimLine line(unthrottled());
  line.enterUpdate();
  const std::string image = image::generate(3'000);
  ASSERT_EQ(line.client.stream(image + "\r\n", 900), image.size() + 2);
  ASSERT_TRUE(line.instrument.waitForImage(20s));
  const sim::Summary summary = line.instrument.summary();
  EXPECT_FALSE(summary.valid);
  EXPECT_TRUE(summary.sawEnd);
  EXPECT_EQ(summary.trailingBytes, 2u);
  EXPECT_EQ(summary.problem, "bytes after the end record");
  EXPECT_EQ(summary.problemLine, image::recordSizes(3'000).size() + 2);
}

TEST(Instrument, LastLineWithoutLineEndIsFlaggedWhenTheLineGoesQuiet) {
  SimLine line(unthrottled());
  line.enterUpdate();
  const std::string image = image::generate(3'000);
  ASSERT_TRUE(line.client.write(std::string_view(image).substr(0, image.size() - 2)));
  ASSERT_TRUE(line.instrument.waitForImage(20s));
  const sim::Summary summary = line.instrument.summary();
  EXPECT_FALSE(summary.valid);
  EXPECT_EQ(summary.lineEndErrors, 1u);
  EXPECT_EQ(summary.problem, "record does not end in CR LF");
}

TEST(Instrument, RepeatModeTakesImageAfterImage) {
  std::mutex mutex;
  std::condition_variable ended;
  int images = 0, validImages = 0;
  sim::Options options = unthrottled();
  options.repeat = true;
  options.onImageEnd = [&](const sim::Summary& summary) {
    std::lock_guard lock(mutex);
    ++images;
    validImages += summary.valid ? 1 : 0;
    ended.notify_all();
  };
  SimLine line(options);
  const std::string image = image::generate(3'000);
  for (int i = 1; i <= 2; ++i) {
    line.enterUpdate();
    ASSERT_EQ(line.client.stream(image, 900), image.size());
    std::unique_lock lock(mutex);
    // The next upgrade begins only after this image has settled.
    ASSERT_TRUE(ended.wait_for(lock, 20s, [&] { return images == i; }));
  }
  line.enterUpdate();
  line.instrument.stop();
  EXPECT_EQ(validImages, 2);
  EXPECT_EQ(line.instrument.summary().images, 2u);
}

TEST(Instrument, LinksThePtyAsComPort) {
  const auto home = std::filesystem::temp_directory_path() / ("orvex-sim-test-" + std::to_string(::getpid()));
  const auto link = home / "orvex-programmer" / "ports" / "COM7";
  {
    sim::Instrument first(unthrottled());
    first.linkAs(home.string(), "COM7");
    sim::Instrument second(unthrottled());
    second.linkAs(home.string(), "COM7");
    EXPECT_EQ(std::filesystem::read_symlink(link), second.devicePath());
  }
  EXPECT_FALSE(std::filesystem::is_symlink(link)) << "removed with its instrument";
  std::filesystem::remove_all(home);
}

double processCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

TEST(Instrument, IdleLineCostsNoCpu) {
  sim::Instrument instrument(unthrottled());
  instrument.start();
  { PtyClient openedAndClosed(instrument.devicePath()); }
  const double before = processCpuSeconds();
  PtyClient watcher(instrument.devicePath());
  EXPECT_EQ(watcher.readUntil("never", 300ms), "");
  EXPECT_LT(processCpuSeconds() - before, 0.15);
}

TEST(Instrument, StopsAtOnceWhileWaiting) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // A stop that hangs is ended by the alarm: the child dies of SIGALRM and the test fails.
  EXPECT_EXIT(
      {
        alarm(5);
        sim::Options options;
        options.baud = 300;
        sim::Instrument instrument(options);
        instrument.start();
        PtyClient client(instrument.devicePath());
        if (!client.write(std::string(200, 'x'))) std::_Exit(2);
        instrument.stop();  // must return while the bucket is empty and the line is idle
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
