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

// The trace's lines without the header (held to its form by the batch cases) and the time column.
std::string Events(const std::string& path) {
  std::ifstream in(path);
  std::string events, line;
  std::getline(in, line);
  for (std::size_t at; std::getline(in, line); events += line.substr(at == 12 ? at : 0) + "\n")
    at = line.find(' ', line.find_first_not_of(' ')) + 1;  // "%11.3f "
  return events;
}

class SerialTrace : public ::testing::Test {
 protected:
  void TearDown() override { StopSerialTrace(), std::filesystem::remove_all(folder_); }
  const std::string folder_ = test::MakeTempFolder("orvex-trace-");
  const std::string path_ = folder_ + "/trace.txt";
};

// Each trace point, under a last error of its own: a failed step names it, every step leaves it as it
// was, and its line (or none) is in the file when the call returns.
TEST_F(SerialTrace, EachTracePointWritesItsLineAndLeavesTheLastError) {
  static const BYTE kImage[2000] = {'S', '3', '2', '5'};
  static const unsigned char kOdd[] = {'A', '"', '\\', '\r', '\n', 0, 0xFF};
  const COMMTIMEOUTS timeouts = {1, 2, 3, 4, 5};
  DCB dcb{};
  dcb.BaudRate = 14400, dcb.ByteSize = 7, dcb.Parity = EVENPARITY, dcb.StopBits = TWOSTOPBITS;
  const std::string command(500, 'x'), box(3000, 'y'),
      chunk = "00 00 00 00 00 00 00 00 .. 00 00 00 00 00 00 00 00";
  std::string hex = "78";
  for (int i = 1; i < 32; ++i) hex += " 78";
  const struct {
    DWORD error;
    std::function<void()> trace;
    std::string line;
  } steps[] = {
      {87, [] { TracePortOpened("usb-\xFF", FALSE); },
       "open usb-\xEF\xBF\xBD -> error 87 (ERROR_INVALID_PARAMETER)"},
      {1460, [&] { TraceTimeouts(timeouts, TRUE); },
       "set timeouts: read interval 1, read 2 x n + 3, write 4 x n + 5 ms -> ok"},
      {1460, [&] { TraceCommState("set comm state", dcb, TRUE); },
       "set comm state: 14400 baud, 7 data bits, parity even, stop bits 2 -> ok"},
      {5, [&] { TraceCommState("get comm state", dcb, FALSE); },
       "get comm state -> error 5 (ERROR_ACCESS_DENIED)"},
      {1460, [] { TraceQueues(8196, 4096, TRUE); }, "set queues: in 8196, out 4096 bytes -> ok"},
      {12345, [] { TraceDtr(FALSE); }, "raise DTR -> error 12345"},
      {1460, [] { TraceModemLines(MS_CTS_ON | MS_RLSD_ON, TRUE); },
       "modem lines: CTS on, DSR off, RING off, DCD on"},
      {1460, [] { TraceModemLines(MS_CTS_ON | MS_RLSD_ON, TRUE); }, ""},  // unchanged: not traced
      {1460, [] { TraceModemLines(MS_DSR_ON | MS_RING_ON, TRUE); },
       "modem lines: CTS off, DSR on, RING on, DCD off"},
      {50, [] { TraceModemLines(0, FALSE); }, "modem lines: error 50 (ERROR_NOT_SUPPORTED)"},
      {50, [] { TraceModemLines(0, FALSE); }, ""},
      {1460, [] { TraceLineErrors(0x1F); },
       "line errors 0x1F: receive queue overflow overrun parity framing break"},
      {1460, [] { TraceLineErrors(0); }, ""},
      {1460, [] { TraceRead(kOdd, sizeof kOdd); },
       R"(read 7 bytes: 41 22 5C 0D 0A 00 FF "A\"\\\r\n\x00\xFF")"},
      {1460, [] { TraceImage(kImage, sizeof kImage); }, "image 2000 bytes"},
      {1460, [] { TraceWrite(kImage + 900, 900, 900, ERROR_SUCCESS); },
       "chunk at 900, 900 bytes: " + chunk + " -> ok"},
      {1460, [] { TraceWrite(kImage, 16, 16, ERROR_SUCCESS); },
       "chunk at 0, 16 bytes: 53 33 32 35 00 00 00 00 00 00 00 00 00 00 00 00 -> ok"},
      {1460, [] { TraceWrite(kImage + 1800, 200, 17, 0); },
       "chunk at 1800, 200 bytes: " + chunk + " -> write timed out: 17 of 200 bytes went out"},
      {1460, [] { TraceWrite("update\r", 7, 0, 995); },
       R"(write 7 bytes: 75 70 64 61 74 65 0D "update\r" -> 0 of 7 bytes, error 995 (ERROR_OPERATION_ABORTED))"},
      {1460, [&] { TraceWrite(command.data(), 500, 500, 0); },
       "write 500 bytes: " + hex + " \"" + command.substr(0, 32) + "\" .. -> ok"},
      {1460, [] { TraceGaveUp("probe", 101); }, "probe timed out: no reply after 101 attempts"},
      {1460, [&] { TraceMessageBox(box.c_str()); }, ("box \"" + box).substr(0, 1023)},  // cut, its line whole
      {1460, [] { TracePortClosed(); }, "close"},
      {1460, [] { TracePortOpened("COM1", TRUE); }, "open COM1 -> ok"},
      {1460, [] { TraceModemLines(MS_DSR_ON | MS_RING_ON, TRUE); },
       "modem lines: CTS off, DSR on, RING on, DCD off"},                    // a new port
      {1460, [] { StopSerialTrace(), TracePortOpened("COM2", TRUE); }, ""},  // off, it writes nothing
  };
  ASSERT_TRUE(StartSerialTrace(path_, Remember));
  for (std::string events; const auto& step : steps) {
    SetLastError(step.error);
    step.trace();
    EXPECT_EQ(GetLastError(), step.error) << step.line;
    EXPECT_EQ(Events(path_).substr(events.size()), step.line + (step.line.empty() ? "" : "\n"));
    events = Events(path_);
  }
}

// The reader thread and the user-interface thread trace at once: every line whole, the times never back.
TEST_F(SerialTrace, TwoThreadsNeverMixOrReorderLines) {
  ASSERT_TRUE(StartSerialTrace(path_, Remember));
  const auto trace = [](char c) {
    const std::string text(100, c);
    for (int i = 0; i < 2000; ++i) TraceRead(reinterpret_cast<const unsigned char*>(text.data()), 100);
  };
  std::thread reader(trace, 'a');
  trace('b');
  reader.join();
  std::ifstream in(path_);
  const std::regex whole(R"(^ *(\d+\.\d{3}) read 100 bytes: (61( 61){99} "a{100}"|62( 62){99} "b{100}")$)");
  std::string line;
  std::getline(in, line);
  int lines = 0;
  for (double last = 0; std::getline(in, line); ++lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, whole) && std::stod(match[1].str()) >= last) << line;
    last = std::stod(match[1].str());
  }
  EXPECT_EQ(lines, 4000);
}

TEST_F(SerialTrace, OneThatCannotBeWrittenIsSaidOnceAndTheUpgradeGoesOn) {
  for (const auto& [path, says] : {std::pair{folder_, "opening: Is a directory"},
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
