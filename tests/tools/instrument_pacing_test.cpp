#include <gtest/gtest.h>

#include "image/image_generator.h"
#include "pty_client.h"
#include "sim/crc32.h"
#include "sim/instrument.h"

namespace {

using namespace std::chrono_literals;

TEST(InstrumentPacing, ReadsNoFasterThanTheLine) {
  sim::Options options;
  options.baud = 16 * 115200;  // 184,320 bytes per second
  sim::Instrument instrument(options);
  tools_test::PtyClient client(instrument.devicePath());
  instrument.start();
  ASSERT_TRUE(client.write("Uupdate\r"));
  client.readUntil("Update Firmware\r\n");
  const std::string image = image::generate(150'000);
  ASSERT_EQ(client.stream(image, 900), image.size());
  ASSERT_TRUE(instrument.waitForImage(30s));
  const sim::Summary summary = instrument.summary();
  EXPECT_TRUE(summary.valid);
  EXPECT_EQ(summary.crc32, sim::crc32Of(image));
  const double lineRate = options.baud / 10.0;
  EXPECT_LT(summary.bytesPerSecond, 1.1 * lineRate);
  EXPECT_GT(summary.bytesPerSecond, 0.2 * lineRate) << "a loaded machine is slower, not this slow";
  EXPECT_LT(summary.lineEfficiency, 1.1);
  EXPECT_NEAR(summary.lineEfficiency, summary.bytesPerSecond / lineRate, 1e-6);
}

}  // namespace
