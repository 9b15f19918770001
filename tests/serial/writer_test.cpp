// Writes that go out whole, fall short, are abandoned, or meet a dead port.
#include "serial/writer.h"
#include "serial_fixture.h"

namespace test {
namespace {

const std::string kChunk(900, 'S');

// Writes chunks the far side does not read until one of them cannot go out
// whole within the write time-out. Returns how many went out.
int FillUntilShort(RecordedBoxes& boxes) {
  for (int written = 0; written < 200; ++written) {
    gWriteBusy = 1;
    WriterGeneric(kChunk.data(), static_cast<std::int32_t>(kChunk.size()));
    if (gWriteBusy == 1 || !boxes.Texts().empty()) return written;
  }
  return -1;
}

TEST_F(SerialLinkTest, WholeWriteClearsTheBusyFlagSilently) {
  ASSERT_TRUE(OpenDefault());
  gWriteBusy = 1;
  WriterGeneric("update\r", 7);
  EXPECT_EQ(gWriteBusy, 0);
  EXPECT_EQ(line.Read(7), "update\r");
  gWriteBusy = 1;
  WriterGeneric(kChunk.data(), 900);
  EXPECT_EQ(gWriteBusy, 0);
  EXPECT_EQ(line.Read(900), kChunk);
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SerialLinkTest, StalledLineTurnsTheWriteShortAfterItsTimeOut) {
  ASSERT_TRUE(OpenDefault());
  auto start = std::chrono::steady_clock::now();
  int written = FillUntilShort(boxes);
  auto took = std::chrono::steady_clock::now() - start;
  ASSERT_GT(written, 0);
  EXPECT_EQ(gWriteBusy, 1);
  EXPECT_THAT(boxes.Texts(), ::testing::ElementsAre("Write timed out.(overlapped)"));
  EXPECT_GE(took, std::chrono::milliseconds(4900));
  EXPECT_LT(took, std::chrono::milliseconds(30000));
  EXPECT_EQ(CloseCommPort(), 1);  // the program goes on: the port still closes normally
}

TEST_F(SerialLinkTest, WriterWokenByTheExitEventAbandonsItsWrite) {
  ASSERT_TRUE(OpenDefault());
  // Fill the line without waiting for a write time-out: one write of many chunks.
  std::string flood(std::size_t{64} * 1024, 'F');
  gWriteBusy = 1;
  SetEvent(ghThreadExitEvent);  // as when the port is being shut down
  WriterGeneric(flood.data(), static_cast<std::int32_t>(flood.size()));
  ResetEvent(ghThreadExitEvent);
  EXPECT_EQ(gWriteBusy, 1);
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SerialLinkTest, WriteWithNoPortOpenEndsTheProcessQuietly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        PrintBoxesToStandardError();
        WriterGeneric("U", 1);
      },
      ::testing::ExitedWithCode(0), "^$");
}

TEST_F(SerialLinkTest, WriteToAHungUpLineEndsTheProcessAsAFailure) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        HoldReaderFailureBoxes();
        OpenDefault();
        line.HangUp();
        PrintBoxesToStandardError();
        WriterGeneric(kChunk.data(), 900);
      },
      ::testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace test
