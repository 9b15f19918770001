#pragma once
// A started simulator with the programmer's end of its pty open.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "pty_client.h"
#include "sim/instrument.h"

namespace tools_test {

// Options for a simulator that reads as fast as the bytes come.
inline sim::Options unthrottled(sim::Faults faults = {}) {
  sim::Options options;
  options.baud = 0;
  options.faults = faults;
  return options;
}

struct SimLine {
  explicit SimLine(sim::Options options) : instrument(std::move(options)), client(instrument.devicePath()) {
    instrument.start();
  }
  void enterUpdate() {
    ASSERT_TRUE(client.write("U"));
    ASSERT_NE(client.readUntil("Lodar >").find("Lodar >"), std::string::npos);
    ASSERT_TRUE(client.write("update\r"));
    ASSERT_NE(client.readUntil("Update Firmware\r\n").find("Update Firmware\r\n"), std::string::npos);
  }
  sim::Instrument instrument;
  PtyClient client;
};

}  // namespace tools_test
