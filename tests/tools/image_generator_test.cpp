#include <gtest/gtest.h>

#include "image/image_generator.h"
#include "srec/image_reader.h"

namespace {

TEST(ImageGenerator, WritesValidImagesOfExactSize) {
  for (const std::uint64_t size :
       {image::kDefaultSize, std::uint64_t{900}, std::uint64_t{1800}, std::uint64_t{34}, std::uint64_t{36},
        std::uint64_t{96}, std::uint64_t{98}, std::uint64_t{112}, std::uint64_t{10'002}}) {
    const std::string text = image::generate(size);
    EXPECT_EQ(text.size(), size);
    const srec::ReadResult result = srec::readImage(text);
    ASSERT_TRUE(result.ok()) << size << ": line " << result.badLine << ": " << result.error;
    EXPECT_EQ(result.records.size(), image::recordSizes(size).size()) << size;
    for (const srec::Record& record : result.records) {
      EXPECT_GE(record.data.size(), 1u);
      EXPECT_LE(record.data.size(), srec::kMaxS3Data);
    }
  }
}

TEST(ImageGenerator, DefaultImageLayout) {
  const auto sizes = image::recordSizes(image::kDefaultSize);
  EXPECT_EQ(image::kDefaultSize / 900, 2535u);
  EXPECT_EQ(image::kDefaultSize % 900, 284u);
  EXPECT_EQ(sizes.front(), image::kDataPerRecord);
  EXPECT_EQ(sizes.size(), 28'522u);
}

TEST(ImageGenerator, AddressesFollowTheData) {
  const srec::ReadResult result = srec::readImage(image::generate(5'000));
  ASSERT_TRUE(result.ok());
  std::uint32_t next = 0;
  for (const srec::Record& record : result.records) {
    EXPECT_EQ(record.address, next);
    next += static_cast<std::uint32_t>(record.data.size());
  }
}

TEST(ImageGenerator, SameSeedSameImage) {
  EXPECT_EQ(image::generate(50'000), image::generate(50'000));
  EXPECT_NE(image::generate(50'000, 1), image::generate(50'000, 2));
  // A smaller image is the start of a larger one up to its adjusted tail.
  EXPECT_EQ(image::generate(1'800).substr(0, 800), image::generate(50'000).substr(0, 800));
}

TEST(ImageGenerator, RejectsImpossibleSizes) {
  for (const std::uint64_t size : {0u, 32u, 33u, 901u}) {
    EXPECT_FALSE(image::sizeProblem(size).empty()) << size;
    EXPECT_THROW(image::recordSizes(size), std::invalid_argument) << size;
  }
}

}  // namespace
