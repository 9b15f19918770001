// The serial trace module on its own: what each trace point writes, that the
// caller's last error survives it, that two threads never mix or reorder
// lines, and that a trace that cannot be written is said once.
#include "serial_trace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <thread>

#include "tests/support/pty_pair.h"

namespace {

std::string gComplaints;
void Remember(const std::string& text) { gComplaints += text + "\n"; }

// The trace's lines without their time column, each checked; the header is checked and left out.
std::string Events(const std::string& path) {
  std::ifstream in(path);
  std::string events, line;
  std::getline(in, line);
  EXPECT_TRUE(
      std::regex_search(line, std::regex(R"(^serial trace started \d{4}-\d\d-\d\dT[0-9:.]+Z \(UTC\))")))
      << line;
  const std::regex timed(R"(^ *\d+\.\d{3} (.*)$)");
  for (std::smatch match; std::getline(in, line);)
    events += (std::regex_match(line, match, timed) ? match[1].str() : "untimed: " + line) + "\n";
  return events;
}

class SerialTrace : public ::testing::Test {
 protected:
  void SetUp() override { gComplaints.clear(); }
  void TearDown() override {
    StopSerialTrace();
    std::filesystem::remove_all(folder_);
  }
  const std::string folder_ = test::MakeTempFolder("orvex-trace-");
  const std::string path_ = folder_ + "/trace.txt";
};

// Each trace point once, then the ones with more to them; each with a last error of its own
// set before, which it leaves as it found it. A line is in the file as its call returns.
TEST_F(SerialTrace, EachTracePointWritesItsLineAndLeavesTheLastError) {
  static const BYTE kImage[2000] = {'S', '3', '2', '5'};
  static const unsigned char kOdd[] = {'A', '"', '\\', '\r', '\n', 0, 0xFF};
  DCB dcb{};
  dcb.BaudRate = 14400;
  dcb.ByteSize = 7;
  dcb.Parity = EVENPARITY;
  dcb.StopBits = TWOSTOPBITS;
  const std::string command(500, 'x'), box(3000, 'y');
  // Each with the last error it is traced under: a failed step names it, and every step leaves it.
  const std::pair<DWORD, std::function<void()>> steps[] = {
      {1460, [] { TracePortOpened(R"(\\.\COM3)", TRUE); }},
      {87,
       [] {
         TracePortOpened(
             "/dev/serial/by-id/usb-\xFF"
             "a",
             FALSE);
       }},
      {1460,
       [] {
         TraceTimeouts(COMMTIMEOUTS{1, 2, 3, 4, 5}, TRUE);
       }},
      {1460, [&] { TraceCommState("set comm state", dcb, TRUE); }},
      {5, [&] { TraceCommState("get comm state", dcb, FALSE); }},
      {1460, [] { TraceQueues(8196, 4096, TRUE); }},
      {12345, [] { TraceDtr(FALSE); }},
      {1460, [] { TraceModemLines(MS_CTS_ON | MS_RLSD_ON, TRUE); }},
      {1460, [] { TraceModemLines(MS_CTS_ON | MS_RLSD_ON, TRUE); }},  // unchanged: not traced
      {1460, [] { TraceModemLines(MS_DSR_ON | MS_RING_ON, TRUE); }},
      {50, [] { TraceModemLines(0, FALSE); }},
      {50, [] { TraceModemLines(0, FALSE); }},
      {1460, [] { TraceLineErrors(CE_OVERRUN | CE_FRAME | CE_RXOVER | CE_RXPARITY | CE_BREAK); }},
      {1460, [] { TraceLineErrors(0); }},
      {1460, [] { TraceWrite("U", 1, 1, ERROR_SUCCESS); }},
      {1460, [] { TraceRead(kOdd, sizeof kOdd); }},
      {1460, [] { TraceImage(kImage, sizeof kImage); }},
      {1460, [] { TraceWrite(kImage + 900, 900, 900, ERROR_SUCCESS); }},
      {1460, [] { TraceWrite(kImage, 16, 16, ERROR_SUCCESS); }},
      {1460, [] { TraceWrite(kImage + 1800, 200, 17, ERROR_SUCCESS); }},
      {1460, [] { TraceWrite("update\r", 7, 0, ERROR_OPERATION_ABORTED); }},
      {1460, [&] { TraceWrite(command.data(), 500, 500, ERROR_SUCCESS); }},
      {1460, [] { TraceGaveUp("probe", 101); }},
      {1460, [] { TraceMessageBox("Write timed out.(overlapped)"); }},
      {1460, [] { TracePortClosed(); }},
      {1460, [] { TracePortOpened("COM1", TRUE); }},
      {1460, [] { TraceModemLines(MS_DSR_ON | MS_RING_ON, TRUE); }},  // a new port is seen afresh
  };
  ASSERT_TRUE(StartSerialTrace(path_, Remember));
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SetLastError(steps[i].first);
    steps[i].second();
    EXPECT_EQ(GetLastError(), steps[i].first) << "step " << i;
  }
  TraceMessageBox(box.c_str());
  std::string events = Events(path_);
  std::string hex = "78";
  for (int i = 1; i < 32; ++i) hex += " 78";
  events.replace(events.find(hex), hex.size(), "HEX");  // a long write shows its first 32 bytes
  const std::size_t boxAt = events.rfind("box \"yyyyy");
  ASSERT_NE(boxAt, std::string::npos) << events;
  EXPECT_GT(events.size() - boxAt, 900U) << "an overlong box text is cut, its line still whole";
  EXPECT_LT(events.size() - boxAt, 1100U);
  EXPECT_EQ(events.substr(0, boxAt), R"x(open \\.\COM3 -> ok
open /dev/serial/by-id/usb-�a -> error 87 (ERROR_INVALID_PARAMETER)
set timeouts: read interval 1, read 2 x n + 3, write 4 x n + 5 ms -> ok
set comm state: 14400 baud, 7 data bits, parity even, stop bits 2 -> ok
get comm state -> error 5 (ERROR_ACCESS_DENIED)
set queues: in 8196, out 4096 bytes -> ok
raise DTR -> error 12345
modem lines: CTS on, DSR off, RING off, DCD on
modem lines: CTS off, DSR on, RING on, DCD off
modem lines: error 50 (ERROR_NOT_SUPPORTED)
line errors 0x1F: receive queue overflow overrun parity framing break
write 1 byte: 55 "U" -> ok
read 7 bytes: 41 22 5C 0D 0A 00 FF "A\"\\\r\n\x00\xFF"
image 2000 bytes
chunk at 900, 900 bytes: 00 00 00 00 00 00 00 00 .. 00 00 00 00 00 00 00 00 -> ok
chunk at 0, 16 bytes: 53 33 32 35 00 00 00 00 00 00 00 00 00 00 00 00 -> ok
chunk at 1800, 200 bytes: 00 00 00 00 00 00 00 00 .. 00 00 00 00 00 00 00 00 -> write timed out: 17 of 200 bytes went out
write 7 bytes: 75 70 64 61 74 65 0D "update\r" -> 0 of 7 bytes, error 995 (ERROR_OPERATION_ABORTED)
write 500 bytes: HEX "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx" .. -> ok
probe timed out: no reply after 101 attempts
box "Write timed out.(overlapped)"
close
open COM1 -> ok
modem lines: CTS off, DSR on, RING on, DCD off
)x");
  StopSerialTrace();
  TracePortOpened("COM2", TRUE);
  EXPECT_EQ(Events(path_).find("COM2"), std::string::npos) << "off, it writes nothing";
}

// The reader thread and the user-interface thread trace at once.
TEST_F(SerialTrace, TwoThreadsNeverMixOrReorderLines) {
  constexpr int kEach = 2000;
  ASSERT_TRUE(StartSerialTrace(path_, Remember));
  auto trace = [](char c) {
    const std::string text(100, c);
    for (int i = 0; i < kEach; ++i) TraceRead(reinterpret_cast<const unsigned char*>(text.data()), 100);
  };
  std::thread reader(trace, 'a');
  trace('b');
  reader.join();
  std::ifstream in(path_);
  std::string line;
  std::getline(in, line);
  const std::regex whole(R"(^ *(\d+\.\d{3}) read 100 bytes: (61( 61){99} "a{100}"|62( 62){99} "b{100}")$)");
  int lines = 0;
  for (double last = 0; std::getline(in, line); ++lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, whole)) << "line " << lines << ": " << line;
    ASSERT_GE(std::stod(match[1].str()), last) << "line " << lines;
    last = std::stod(match[1].str());
  }
  EXPECT_EQ(lines, 2 * kEach);
}

TEST_F(SerialTrace, OneThatCannotBeWrittenIsSaidOnceAndTheUpgradeGoesOn) {
  for (const auto& [path, says] : {std::pair{folder_, "opening: Is a directory"},
                                   {folder_ + "/missing/trace.txt", "opening: No such file or directory"},
                                   {std::string("/dev/full"), "writing: No space left on device"}}) {
    gComplaints.clear();
    EXPECT_FALSE(StartSerialTrace(path, Remember)) << path;
    TracePortOpened("COM1", TRUE);
    TracePortClosed();
    EXPECT_EQ(gComplaints,
              "cannot write the trace " + path + " (" + says + "); the upgrade goes on without it\n");
  }
}

}  // namespace
