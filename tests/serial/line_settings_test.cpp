// Every character frame and flow control the port can be given survives the
// trip to termios flags and back, as a real UART keeps it (a pty drops the
// frame, so this is checked on the flags themselves).
#include <asm/termbits.h>
#include <gtest/gtest.h>

#include "line_settings.h"

namespace {

TEST(LineSettings, EveryFrameAndFlowControlRoundTrips) {
  for (const BYTE byteSize : {BYTE{5}, BYTE{6}, BYTE{7}, BYTE{8}}) {
    for (const BYTE parity : {NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY}) {
      for (const BYTE stopBits : {ONESTOPBIT, TWOSTOPBITS}) {
        for (const bool flow : {false, true}) {
          posix::LineSettings wanted;
          wanted.baud = 14400;  // no B constant: only BOTHER carries it
          wanted.byteSize = byteSize;
          wanted.parity = parity;
          wanted.stopBits = stopBits;
          wanted.parityCheck = parity != NOPARITY;
          wanted.rtsCtsFlow = flow;
          wanted.xonXoffOut = flow;
          wanted.xonXoffIn = !flow;
          termios2 t{};
          t.c_lflag = ICANON | ECHO;  // what a fresh tty has: raw mode clears it
          posix::EncodeLineSettings(wanted, t);
          const posix::LineSettings got = posix::DecodeLineSettings(t);
          SCOPED_TRACE(testing::Message() << int(byteSize) << " bits, parity " << int(parity) << ", stop "
                                          << int(stopBits) << ", flow " << flow);
          EXPECT_EQ(got.baud, 14400u);
          EXPECT_EQ(got.byteSize, byteSize);
          EXPECT_EQ(got.parity, parity);
          EXPECT_EQ(got.stopBits, stopBits);
          EXPECT_EQ(got.parityCheck, wanted.parityCheck);
          EXPECT_EQ(got.rtsCtsFlow, flow);
          EXPECT_EQ(got.xonXoffOut, flow);
          EXPECT_EQ(got.xonXoffIn, !flow);
          EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
        }
      }
    }
  }
}

TEST(LineSettings, SevenBitEvenParityIsThatFrameOnTheLine) {
  posix::LineSettings settings;
  settings.baud = 115200;
  settings.byteSize = 7;
  settings.parity = EVENPARITY;
  termios2 t{};
  posix::EncodeLineSettings(settings, t);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB));
  EXPECT_EQ(t.c_cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
  EXPECT_EQ(t.c_ospeed, 115200u);
  EXPECT_EQ(t.c_ispeed, 115200u);
}

}  // namespace
