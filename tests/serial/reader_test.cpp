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

// A pause far longer than the 1 ms gap, far shorter than the 1000 ms total: the first
// read ends with the first burst, and the second overwrites only its own length.
TEST_F(SerialLinkTest, BurstsAPauseApartAreTwoDeliveries) {
  ASSERT_TRUE(OpenDefault());
  std::uint32_t before = RxCount();
  line.Write("ABCDEFGHIJ");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the pause is the stimulus
  EXPECT_EQ(RxCount(), before + 10) << "the first burst was not delivered on its own";
  line.Write("wxyz");
  ASSERT_TRUE(WaitForRxCount(before + 14));
  EXPECT_EQ(RxBytes(0, 11), std::string("wxyzEFGHIJ\0", 11));
  EXPECT_EQ(RxCount(), before + 14);
}

TEST_F(SerialLinkTest, LongArrivalIsDeliveredInReadsOfAHundred) {
  ASSERT_TRUE(OpenDefault());
  std::uint32_t before = RxCount();
  std::string sent = Bytes(250, 1);
  line.Write(sent);
  ASSERT_TRUE(WaitForRxCount(before + 250));
  EXPECT_EQ(RxBytes(0, 50), sent.substr(200, 50));
  EXPECT_EQ(RxBytes(50, 50), sent.substr(150, 50));
  EXPECT_EQ(RxBytes(100, 1), std::string(1, '\0'));  // no read is longer than 100 bytes
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
