#pragma once
// A serial link under test: COM1 is a pty whose far end the test plays.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "serial/rx_buffer.h"
#include "serial/serial_port.h"
#include "tests/support/pty_pair.h"
#include "tests/support/recorded_boxes.h"

namespace test {

class SerialLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home.Link("COM1", line.DevicePath());
    InitializeCriticalSection(&gRxLock);
    ClearRxBuffer();
  }
  void TearDown() override {
    CloseCommPort();
    DeleteCriticalSection(&gRxLock);
  }

  static void ClearRxBuffer() {
    EnterCriticalSection(&gRxLock);
    std::memset(gRxBuffer, 0, sizeof gRxBuffer);
    gRxFill = 0;
    LeaveCriticalSection(&gRxLock);
  }
  static std::uint32_t RxCount() {
    EnterCriticalSection(&gRxLock);
    std::uint32_t count = gRxCount;
    LeaveCriticalSection(&gRxLock);
    return count;
  }
  static std::string RxBytes(std::size_t from, std::size_t count) {
    EnterCriticalSection(&gRxLock);
    std::string bytes(reinterpret_cast<const char*>(gRxBuffer) + from, count);
    LeaveCriticalSection(&gRxLock);
    return bytes;
  }
  // Waits until the reader has delivered `expected` bytes in all.
  static bool WaitForRxCount(std::uint32_t expected) {
    return WaitUntil([&] { return RxCount() >= expected; });
  }
  static bool OpenDefault() { return OpenCommPort(0, 0, 0, 0, 0) == 1; }
  // The reader's failure boxes stay up, as when nobody confirms them.
  void HoldReaderFailureBoxes() {
    boxes.Hold("ReadFile in ReaderAndStatusProc");
    boxes.Hold("ReadFile ReaderAndStatusProc");
  }

  ConfigHome home;
  PtyPair line;
  RecordedBoxes boxes;
};

// Child processes of death tests print their boxes, so the test can match them.
inline void PrintBoxesToStandardError() { ui::SetMessageBoxHandler({}); }

}  // namespace test
