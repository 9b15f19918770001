// Opening, configuring and closing the port, and every way the open can fail.
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include "serial_fixture.h"

namespace test {
namespace {

using ::testing::ElementsAre;

TEST_F(SerialLinkTest, OpenConfiguresTheLineAndStartsTheReader) {
  ASSERT_TRUE(OpenDefault());
  EXPECT_NE(ghCommPort, nullptr);
  EXPECT_NE(ghThreadExitEvent, nullptr);
  EXPECT_NE(m_ReadStatThread, nullptr);
  DCB dcb{};
  ASSERT_TRUE(GetCommState(ghCommPort, &dcb));
  EXPECT_EQ(dcb.BaudRate, 115200u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  COMMTIMEOUTS timeouts{};
  ASSERT_TRUE(GetCommTimeouts(ghCommPort, &timeouts));
  EXPECT_EQ(timeouts.ReadIntervalTimeout, 1u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 1000u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 5000u);
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SerialLinkTest, IndicesSelectTheSettingsApplied) {
  struct Case {
    int port;
    const char* name;
    int baud;
    DWORD rate;
    int stop;
    BYTE stopBits;
  };
  const Case cases[] = {{8, "COM9", 1, 19200, 0, ONESTOPBIT},
                        {11, "COM12", 9, 110, 2, TWOSTOPBITS},
                        {2, "COM3", 2, 14400, 0, ONESTOPBIT}};
  for (const Case& c : cases) {
    home.Link(c.name, line.DevicePath());
    ASSERT_EQ(OpenCommPort(c.port, c.baud, 0, 0, c.stop), 1) << c.name;
    DCB dcb{};
    ASSERT_TRUE(GetCommState(ghCommPort, &dcb));
    EXPECT_EQ(dcb.BaudRate, c.rate) << c.name;
    EXPECT_EQ(dcb.StopBits, c.stopBits) << c.name;
    EXPECT_EQ(CloseCommPort(), 1);
  }
}

TEST_F(SerialLinkTest, FlowControlTheLineHadIsKept) {
  {
    int fd = open(line.DevicePath().c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(fd, &t);
    t.c_iflag |= IXON | IXOFF;
    tcsetattr(fd, TCSANOW, &t);
    close(fd);
  }
  ASSERT_TRUE(OpenDefault());
  DCB dcb{};
  ASSERT_TRUE(GetCommState(ghCommPort, &dcb));
  EXPECT_EQ(dcb.fOutX, 1u);
  EXPECT_EQ(dcb.fInX, 1u);
}

TEST_F(SerialLinkTest, EachFailingStepIsReportedAndStopsTheOpen) {
  home.Link("COM5", "/nonexistent/device");
  home.Link("COM6", "/dev/null");  // opens, but is no serial line
  struct Case {
    int port;
    int stop;
    const char* message;
    bool portLeftOpen;
  };
  const Case cases[] = {{4, 0, "Error Create File ", false},
                        {5, 0, "Error GetCommState", true},
                        {0, 1, "Error SetCommState", true},  // 1.5 stop bits
                        {-1, 0, "Error Create File ", false},
                        {12, 0, "Error Create File ", false}};
  for (const Case& c : cases) {
    RecordedBoxes seen;
    EXPECT_EQ(OpenCommPort(c.port, 0, 0, 0, c.stop), 0) << c.message;
    EXPECT_THAT(seen.Texts(), ElementsAre(c.message));
    EXPECT_EQ(ghCommPort != nullptr, c.portLeftOpen) << c.message;
    EXPECT_EQ(ghThreadExitEvent, nullptr);
    EXPECT_EQ(m_ReadStatThread, nullptr);
    EXPECT_EQ(CloseCommPort(), c.portLeftOpen ? 1 : 0) << c.message;
  }
}

TEST_F(SerialLinkTest, PortHeldByAnotherProgramIsRefused) {
  int other = open(line.DevicePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(OpenCommPort(0, 0, 0, 0, 0), 0);
  EXPECT_THAT(boxes.Texts(), ElementsAre("Error Create File "));
  EXPECT_EQ(ghCommPort, nullptr);
  close(other);
  EXPECT_TRUE(OpenDefault());  // free again once the other program let go
}

TEST_F(SerialLinkTest, CloseIsIdempotentAndThePortReopens) {
  EXPECT_EQ(CloseCommPort(), 0);
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(OpenDefault());
    EXPECT_EQ(CloseCommPort(), 1);
    EXPECT_EQ(CloseCommPort(), 0);
    EXPECT_EQ(ghCommPort, nullptr);
    EXPECT_EQ(ghThreadExitEvent, nullptr);
    EXPECT_EQ(m_ReadStatThread, nullptr);
  }
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SerialLinkTest, ReaderInItsOwnMessageBoxMakesCloseEndTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        HoldReaderFailureBoxes();
        OpenDefault();
        line.HangUp();
        WaitUntil([&] { return boxes.Texts().size() == 1; });
        PrintBoxesToStandardError();
        CloseCommPort();
      },
      ::testing::ExitedWithCode(1), "Reader/Status Thread didn't exit.\n\r(.|\n)*Close comm port error");
}

}  // namespace
}  // namespace test
