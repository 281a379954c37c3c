#include <gtest/gtest.h>

#include "platform/errors.h"
#include "spr/spr_file.h"
#include "support/error_number.h"
#include "support/sprite_builder.h"

namespace glint::spr {
namespace {

using testing::Bytes;
using testing::SpriteBuilder;

TEST(SprReader, SignaturesAndFrameCounts) {
  const std::pair<std::array<std::uint8_t, 4>, bool> signatures[] = {
      {{0x53, 0x50, 0x01, 0x02}, true},  {{0x53, 0x50, 0x00, 0x02}, false},
      {{0x53, 0x50, 0x02, 0x01}, false}, {{0x53, 0x50, 0x01, 0x01}, false},
      {{0x53, 0x51, 0x01, 0x02}, false}, {{0x00, 0x50, 0x01, 0x02}, false},
  };
  for (const auto& [bytes, accepted] : signatures) {
    MemorySource source(SpriteBuilder().signature(bytes).build());
    SprReader reader(source);
    reader.readPalette();
    EXPECT_EQ(reader.readSignature(), accepted);
  }
  for (auto [stored, read] :
       {std::pair<std::uint16_t, int>{3, 3}, {0, 0}, {0x8000, -32768}, {0xFFFF, -1}}) {
    MemorySource source(SpriteBuilder().frameCount(stored).build());
    EXPECT_EQ(SprReader(source).readFrameCount(), read);
  }
}

TEST(SprReader, ReadsRecordsInOrderAndThePaletteFromTheEnd) {
  const Bytes big(40000, 1);  // a stored length above 32,767 is read unsigned
  SpriteBuilder sprite;
  sprite.rawFrame(200, 200, big).rawFrame(1, 1, {9}).gap({1, 2, 3}).trailing({0xAA, 0xBB});
  MemorySource source(sprite.build());
  SprReader reader(source);
  // Trailing bytes shift the palette: the last 1,024 bytes are read, whatever they are.
  const Palette palette = reader.readPalette();
  EXPECT_EQ(Bytes(palette.end() - 3, palette.end()), (Bytes{0x40, 0xAA, 0xBB}));
  ASSERT_TRUE(reader.readSignature());
  EXPECT_EQ(reader.readFrameCount(), 2);
  FrameRecord first = reader.readFrame();
  EXPECT_EQ(std::tuple(first.width, first.height, first.storedLength), std::tuple(200, 200, 40000));
  EXPECT_EQ(first.stored, big);
  EXPECT_EQ(reader.readFrame().stored, (Bytes{9}));
}

TEST(SprReader, BrokenFiles) {
  const std::pair<Bytes, int> cases[] = {
      {Bytes(1000, 0), err::kBadRecordNumber},  // shorter than the palette
      {SpriteBuilder().rawFrame(32767, 32767, {1, 2, 3, 4}).build(), err::kInvalidCall},
      // The stored length runs past the end of the file: the missing bytes are never made up.
      {SpriteBuilder().rawFrame(4, 4, {1, 2}, 5000).build(), err::kInputPastEnd},
      // So does a record the count claims, read from the palette's bytes.
      {SpriteBuilder().frameCount(1).build(), err::kInputPastEnd},
  };
  for (const auto& [bytes, error] : cases) {
    MemorySource source(bytes);
    SprReader reader(source);
    EXPECT_EQ(testing::ErrorNumberOf([&] {
                reader.readPalette();
                reader.readSignature();
                reader.readFrameCount();
                reader.readFrame();
              }),
              error);
  }
}

// Records of width, height, stored length and stored bytes.
TEST(HasPixels, FramesWithoutASizeAreEmptyOrBroken) {
  EXPECT_FALSE(HasPixels({0, 4, 0, {}}, 0));
  EXPECT_EQ(testing::ErrorNumberOf([] { HasPixels({0, 4, 0, {}}, 3); }), err::kInvalidCall);
  EXPECT_EQ(testing::ErrorNumberOf([] { HasPixels({3, -1, 0, {}}, 3); }), err::kInvalidCall);
  EXPECT_TRUE(HasPixels({3, 2, 0, {}}, 0));
}

}  // namespace
}  // namespace glint::spr
