#pragma once
// The main dialog on the headless backend, COM1 wired to the simulated
// instrument, and a firmware image of the test's choosing as the program's
// resource.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "serial/serial_port.h"
#include "sim/crc32.h"
#include "sim/instrument.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/pty_pair.h"
#include "upgrade/pauses.h"
#include "upgrade/upgrade_state.h"

namespace test {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Attempt pauses stay short but real, so replies still arrive between
// attempts; the five seconds of the finishing progress bar are skipped.
inline void QuickPauses(PauseKind kind, DWORD milliseconds) {
  if (kind == PauseKind::kAfterAttempt) Sleep(milliseconds < 20 ? milliseconds : 20);
}

class ControllerTest : public DialogFixture {
 protected:
  void SetUp() override {
    gUpgradeState = kUpgradeIdle;
    SetPausesForTesting(QuickPauses);
    DialogFixture::SetUp();
  }
  void TearDown() override {
    CloseCommPort();
    SetPausesForTesting(nullptr);
    if (instrument) instrument->stop();
  }

  void UseImage(const std::string& path) {
    image = ReadFile(path);
    ASSERT_FALSE(image.empty()) << path;
    posix::RegisterResource("BIN", 134, image.data(), static_cast<DWORD>(image.size()));
  }
  void StartInstrument(sim::Faults faults = {}, unsigned baud = 0, const char* port = "COM1") {
    sim::Options options;
    options.baud = baud;
    options.faults = faults;
    instrument = std::make_unique<sim::Instrument>(options);
    instrument->linkAs(home.Path(), port);
    instrument->start();
  }
  void PressYes() { screen.Press(IDOK); }

  std::string Caption() const { return Control(IDOK).text; }
  ui::headless::ControlRecord Progress() const { return Control(IDC_PROGRESS); }

  ConfigHome home;
  std::string image;
  std::unique_ptr<sim::Instrument> instrument;
};

}  // namespace test
