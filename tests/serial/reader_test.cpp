// What the reader thread delivers into the receive buffer, and what it costs.
#include <sys/resource.h>

#include <thread>

#include "serial_fixture.h"

namespace test {
namespace {

std::string Bytes(std::size_t count, char first = 0) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(first + static_cast<char>(i));
  return bytes;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST_F(SerialLinkTest, BurstLandsAtTheStartOfTheBuffer) {
  ASSERT_TRUE(OpenDefault());
  std::uint32_t before = RxCount();
  line.Write("Lodar >");
  ASSERT_TRUE(WaitForRxCount(before + 7));
  EXPECT_EQ(RxBytes(0, 8), std::string("Lodar >\0", 8));
}

// A pause far longer than the 1 ms gap, far shorter than the 1000 ms total: the
// second burst is a delivery of its own, and lands after the first (a reply a
// UART hands over in two reads stands whole).
TEST_F(SerialLinkTest, BurstsAPauseApartStandTogether) {
  ASSERT_TRUE(OpenDefault());
  std::uint32_t before = RxCount();
  line.Write("Update F");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the pause is the stimulus
  EXPECT_EQ(RxCount(), before + 8) << "the first burst was not delivered on its own";
  line.Write("irmware\r\n");
  ASSERT_TRUE(WaitForRxCount(before + 17));
  EXPECT_EQ(RxBytes(0, 18), std::string("Update Firmware\r\n\0", 18));
}

TEST_F(SerialLinkTest, LongArrivalStandsInOrder) {
  ASSERT_TRUE(OpenDefault());
  std::uint32_t before = RxCount();
  std::string sent = Bytes(250, 1);
  line.Write(sent);
  ASSERT_TRUE(WaitForRxCount(before + 250));
  EXPECT_EQ(RxBytes(0, 251), sent + '\0');
}

// A delivery that would leave no zero byte after it goes to the start again,
// over the oldest bytes.
TEST_F(SerialLinkTest, FullBufferStartsAgainAtItsStart) {
  ASSERT_TRUE(OpenDefault());
  std::uint32_t before = RxCount();
  std::string first = Bytes(950, 'a');
  line.Write(first);
  ASSERT_TRUE(WaitForRxCount(before + 950));
  line.Write(std::string(60, 'Z'));
  ASSERT_TRUE(WaitForRxCount(before + 1010));
  EXPECT_EQ(RxBytes(0, 60), std::string(60, 'Z'));
  EXPECT_EQ(RxBytes(60, 890), first.substr(60));
}

TEST_F(SerialLinkTest, CountKeepsGrowingAcrossOpens) {
  std::uint32_t before = RxCount();
  for (int round = 1; round <= 3; ++round) {
    ASSERT_TRUE(OpenDefault());
    line.Write(Bytes(400, 'a'));
    ASSERT_TRUE(WaitForRxCount(before + 400u * static_cast<unsigned>(round)));
    ASSERT_EQ(CloseCommPort(), 1);
  }
  EXPECT_EQ(RxCount(), before + 1200);
}

TEST_F(SerialLinkTest, SilentLineDeliversNothingAndCostsNoCpu) {
  ASSERT_TRUE(OpenDefault());
  std::uint32_t before = RxCount();
  double cpuBefore = CpuSeconds();
  std::this_thread::sleep_for(std::chrono::seconds(3));  // measuring idle cost, not waiting for an event
  double cpu = CpuSeconds() - cpuBefore;
  EXPECT_EQ(RxCount(), before);
  EXPECT_EQ(RxBytes(0, 1), std::string(1, '\0'));
  EXPECT_LT(cpu, 0.05) << "reader busy on a silent line";
  EXPECT_EQ(CloseCommPort(), 1);
}

TEST_F(SerialLinkTest, FarSideHangingUpDuringAReadEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        PrintBoxesToStandardError();
        OpenDefault();
        line.HangUp();
        Sleep(10000);
      },
      ::testing::ExitedWithCode(1),
      "ReadFile( in)? ReaderAndStatusProc(.|\n)*Reader/Status Thread didn't exit(.|\n)*Close comm port "
      "error");
}

}  // namespace
}  // namespace test
