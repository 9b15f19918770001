// Every character frame and flow control the port can be given survives the
// trip to termios flags and back, as a real UART keeps it (a pty drops the
// frame, so this is checked on the flags themselves), in raw mode.
#include <asm/termbits.h>
#include <gtest/gtest.h>

#include "line_settings.h"

namespace {

TEST(LineSettings, EveryFrameAndFlowControlRoundTrips) {
  for (const BYTE size : {BYTE{5}, BYTE{6}, BYTE{7}, BYTE{8}})
    for (const BYTE parity : {NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY})
      for (const BYTE stop : {ONESTOPBIT, TWOSTOPBITS})
        for (const bool flow : {false, true}) {
          // 14400 baud has no B constant: only BOTHER carries it.
          const posix::LineSettings wanted{14400, size, parity, stop, parity != NOPARITY, flow, flow, !flow};
          termios2 t{};
          t.c_lflag = ICANON | ECHO;  // what a fresh tty has
          posix::EncodeLineSettings(wanted, t);
          const posix::LineSettings got = posix::DecodeLineSettings(t);
          EXPECT_TRUE(got.baud == 14400 && got.byteSize == size && got.parity == parity &&
                      got.stopBits == stop && got.parityCheck == wanted.parityCheck &&
                      got.rtsCtsFlow == flow && got.xonXoffOut == flow && got.xonXoffIn == !flow &&
                      (t.c_lflag & (ICANON | ECHO)) == 0)
              << int(size) << " bits, parity " << int(parity) << ", stop " << int(stop) << ", flow " << flow;
        }
  // The flags themselves, as a round trip cannot see a code that is wrong both ways: 7E1, then the
  // program's own 8N1 over it.
  termios2 t{};
  posix::EncodeLineSettings({115200, 7, EVENPARITY}, t);
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CBAUD), tcflag_t{CS7 | PARENB | BOTHER});
  EXPECT_TRUE(t.c_ospeed == 115200 && t.c_ispeed == 115200);
  posix::EncodeLineSettings({115200, 8, NOPARITY}, t);
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CBAUD), tcflag_t{CS8 | BOTHER});
}

}  // namespace
