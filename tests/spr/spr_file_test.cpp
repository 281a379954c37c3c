#include <gtest/gtest.h>

#include <functional>

#include "platform/errors.h"
#include "spr/spr_file.h"
#include "support/error_number.h"
#include "support/sprite_builder.h"

namespace glint::spr {
namespace {

using testing::Bytes;
using testing::SpriteBuilder;

TEST(SprReader, Signatures) {
  struct Case {
    std::array<std::uint8_t, 4> bytes;
    bool accepted;
  };
  const Case cases[] = {
      {{0x53, 0x50, 0x01, 0x02}, true},  {{0x53, 0x50, 0x00, 0x02}, false},
      {{0x53, 0x50, 0x02, 0x01}, false}, {{0x53, 0x50, 0x01, 0x01}, false},
      {{0x53, 0x51, 0x01, 0x02}, false}, {{0x00, 0x50, 0x01, 0x02}, false},
  };
  for (const auto& c : cases) {
    MemorySource source(SpriteBuilder().signature(c.bytes).build());
    SprReader reader(source);
    reader.readPalette();
    EXPECT_EQ(reader.readSignature(), c.accepted);
  }
}

TEST(SprReader, FrameCounts) {
  struct Case {
    std::uint16_t stored;
    std::int16_t read;
  };
  for (const Case& c : {Case{3, 3}, Case{0, 0}, Case{0x8000, -32768}, Case{0xFFFF, -1}}) {
    MemorySource source(SpriteBuilder().frameCount(c.stored).build());
    SprReader reader(source);
    EXPECT_EQ(reader.readFrameCount(), c.read);
  }
}

TEST(SprReader, ReadsRecordsInOrderAndThePaletteFromTheEnd) {
  Bytes bytes = SpriteBuilder()
                    .rawFrame(5, 2, {7, 7, 0, 3})
                    .rawFrame(1, 1, {9})
                    .gap({1, 2, 3})
                    .trailing({0xAA, 0xBB})
                    .build();
  MemorySource source(bytes);
  SprReader reader(source);
  Palette palette = reader.readPalette();
  // Trailing bytes shift the palette: the last 1,024 bytes are read, whatever they are.
  EXPECT_EQ(palette[1022], 0xAA);
  EXPECT_EQ(palette[1023], 0xBB);
  ASSERT_TRUE(reader.readSignature());
  EXPECT_EQ(reader.readFrameCount(), 2);
  FrameRecord first = reader.readFrame();
  EXPECT_EQ(first.width, 5);
  EXPECT_EQ(first.height, 2);
  EXPECT_EQ(first.storedLength, 4);
  EXPECT_EQ(first.stored, (Bytes{7, 7, 0, 3}));
  FrameRecord second = reader.readFrame();
  EXPECT_EQ(second.stored, (Bytes{9}));
}

TEST(SprReader, BrokenFiles) {
  struct Case {
    const char* name;
    Bytes bytes;
    int error;
  };
  Bytes shortFile(1000, 0);
  Bytes bigFrame = SpriteBuilder().rawFrame(32767, 32767, {1, 2, 3, 4}).build();
  // The stored length runs past the end of the file: the missing bytes are never made up.
  Bytes cut = SpriteBuilder().rawFrame(4, 4, {1, 2}, 5000).build();
  Bytes noRecord = SpriteBuilder().frameCount(1).build();
  const Case cases[] = {
      {"shorter than the palette", shortFile, err::kBadRecordNumber},
      {"frame larger than stored data can describe", bigFrame, err::kInvalidCall},
      {"record cut short", cut, err::kInputPastEnd},
      // The record runs into the palette's bytes and past the end: never made up.
      {"count claims a missing record", noRecord, err::kInputPastEnd},
  };
  for (const auto& c : cases) {
    MemorySource source(c.bytes);
    SprReader reader(source);
    int got = testing::ErrorNumberOf([&] {
      reader.readPalette();
      reader.readSignature();
      reader.readFrameCount();
      reader.readFrame();
    });
    EXPECT_EQ(got, c.error) << c.name;
  }
}

TEST(SprReader, StoredLengthIsUnsigned) {
  Bytes stored(40000, 1);
  MemorySource source(SpriteBuilder().rawFrame(200, 200, stored).build());
  SprReader reader(source);
  reader.readFrameCount();
  EXPECT_EQ(reader.readFrame().stored.size(), 40000u);
}

TEST(HasPixels, FramesWithoutASize) {
  FrameRecord frame;
  frame.width = 0;
  frame.height = 4;
  EXPECT_FALSE(HasPixels(frame, 0));
  EXPECT_EQ(testing::ErrorNumberOf([&] { HasPixels(frame, 3); }), err::kInvalidCall);
  frame.width = 3;
  frame.height = 2;
  EXPECT_TRUE(HasPixels(frame, 0));
}

}  // namespace
}  // namespace glint::spr
