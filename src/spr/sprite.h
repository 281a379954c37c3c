#pragma once

// Sprite files (.spr): the animation frames of one sprite and the palette they share. Standard
// C++ only; no I/O of its own: bytes come through a ByteSource.
//
//   offset 0   4 bytes   signature 53 50 01 02 ("SP", 1, 2)
//   offset 4   int16     frame count (little-endian, signed; a count above 32,767 is broken)
//   offset 6   2 bytes   not used
//   offset 8   frame records, back to back, as many as the count says:
//                int16 width, int16 height, uint16 stored length, then the stored bytes
//   ...        anything between the last record and the palette is never read
//   last 1,024 bytes     palette: 256 entries of red, green, blue, reserved
//
// Stored bytes are tokens: a byte 1..255 is one pixel of that index; 0 followed by n stands for
// n pixels of index 0. Expanded, they give the pixels top row first, each row left to right;
// pixels the expansion lacks are index 0 and pixels beyond width x height are dropped.
//
// A frame has pixels when its width and height are both above 0. A frame without a size is
// empty when its expansion is, and broken otherwise. Every read is bounds-checked, and every
// fault is a Fault that says which one, where.
//
// Writing keeps to what every reader accepts: widths and heights 1 to 32,767, at most 32,767
// stored bytes a frame (a length that a signed field still reads as positive) and at most 32,767
// frames; anything else is refused with a Refusal naming the frame. Stored bytes are canonical,
// so the same pixels always give the same bytes: a pixel 1..255 is itself; a run of index 0 is 0
// and its length, runs longer than 255 split into runs of 255 and one of the rest; never a count
// of 0. Every pixel is written, trailing zeros too, so a frame expands to exactly width x height.
// The unused header bytes and the palette's reserved bytes are written as 0.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <vector>

namespace glint::spr {

inline constexpr std::size_t kPaletteSize = 1024;
inline constexpr std::array<std::uint8_t, 4> kSignature = {0x53, 0x50, 0x01, 0x02};
inline constexpr std::int64_t kFirstRecordOffset = 8;
inline constexpr std::int64_t kRecordHeaderSize = 6;
// The most pixels stored data can describe: 32,767 zero runs of 255 and one literal.
inline constexpr std::int64_t kMaxFramePixels = 32767LL * 255 + 1;

using Bytes = std::vector<std::uint8_t>;

// One palette entry's colour.
struct Colour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Colour&) const = default;
};

// The 256 entries at the end of a sprite file, as stored: red, green, blue and a reserved byte
// each. The bytes stay an array, and any 1,024 bytes are a palette, since readers and writers
// copy it whole.
struct Palette : std::array<std::uint8_t, kPaletteSize> {
  static constexpr std::size_t kEntries = kPaletteSize / 4;
  Palette() = default;
  Palette(const std::array<std::uint8_t, kPaletteSize>& bytes) : array(bytes) {}
  Colour colour(std::size_t index) const {
    const std::uint8_t* entry = data() + 4 * index;
    return {entry[0], entry[1], entry[2]};
  }
  void setColour(std::size_t index, Colour colour) {
    std::uint8_t* entry = data() + 4 * index;
    entry[0] = colour.red;
    entry[1] = colour.green;
    entry[2] = colour.blue;
  }
};

// What is wrong with a sprite file. `frame` (from 1) and `offset` say where, when it is a frame.
class Fault : public std::runtime_error {
 public:
  enum class Kind {
    kShortFile,          // shorter than the palette
    kWrongSignature,     // not a sprite file
    kNegativeCount,      // a frame count above 32,767
    kRecordCutShort,     // the file ends inside a frame record
    kTooManyPixels,      // a size beyond what stored data can describe
    kZeroRunCutShort,    // the stored bytes end in a 0 without its count
    kPixelsWithoutSize,  // pixel data in a frame whose width or height is not above 0
  };

  Fault(Kind kind, int frame = 0, std::int64_t offset = 0, int width = 0, int height = 0);

  Kind kind() const { return kind_; }
  int frame() const { return frame_; }
  std::int64_t offset() const { return offset_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  Kind kind_;
  int frame_;
  std::int64_t offset_;
  int width_, height_;
};

// Random reads of raw bytes. A read that would run past the end reads nothing and says so.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::int64_t length() = 0;
  // Reads out.size() bytes at the 0-based offset; false, reading nothing, past the end.
  virtual bool readAt(std::int64_t offset, std::span<std::uint8_t> out) = 0;
};

// Bytes held in memory; the caller keeps them alive.
class MemoryBytes : public ByteSource {
 public:
  explicit MemoryBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::int64_t length() override { return static_cast<std::int64_t>(bytes_.size()); }
  bool readAt(std::int64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

struct FrameRecord {
  int number = 0;           // from 1, in file order
  std::int64_t offset = 0;  // where the record starts
  std::int16_t width = 0;
  std::int16_t height = 0;
  std::uint16_t storedLength = 0;
  Bytes stored;
};

inline bool HasPixels(const FrameRecord& frame) { return frame.width > 0 && frame.height > 0; }

// Palette indices, one byte a pixel, top row first and each row left to right.
struct IndexedImage {
  int width = 0;
  int height = 0;
  Bytes pixels;

  IndexedImage() = default;
  IndexedImage(int w, int h)
      : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
  const std::uint8_t* row(int y) const {
    return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
  }
  std::uint8_t* row(int y) {
    return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
  }
  std::uint8_t at(int x, int y) const { return row(y)[x]; }
};

// Reads a sprite in the one order every reader follows: palette, signature, frame count, then
// the frame records one after the other. Nothing is read past the last record asked for.
class SprReader {
 public:
  explicit SprReader(ByteSource& source) : source_(source) {}

  // The last 1,024 bytes; kShortFile when the file is shorter.
  Palette readPalette();
  // The first four bytes compared with the signature.
  bool readSignature();
  // The frame count (bytes 4-5). May be negative: callers decide.
  std::int16_t readFrameCount();
  // Palette, signature and count at once: kWrongSignature, kNegativeCount as faults.
  int open(Palette& palette);
  // The next frame record, read in full; kRecordCutShort when the file ends inside it,
  // kTooManyPixels for a size larger than stored data can describe.
  FrameRecord readFrame();
  // The next frame record without its stored bytes, checked as readFrame checks it.
  FrameRecord readFrameHeader();
  // The stored bytes of a record read by readFrameHeader, read again from the source whenever
  // they are wanted; kRecordCutShort when the source no longer holds them.
  void readStored(FrameRecord& frame) const;
  int framesRead() const { return framesRead_; }

 private:
  ByteSource& source_;
  std::int64_t next_ = kFirstRecordOffset;
  int framesRead_ = 0;
};

// The records of the next `count` frames that have pixels, as stored (bounded by the file's
// size); the frames without pixels are checked, so that one holding pixel data is a fault.
// With `keepStored` false the records keep their headers only (see readStored).
std::vector<FrameRecord> ReadFramesWithPixels(SprReader& reader, int count, bool keepStored = true);

// Where the tokens of stored bytes end, for whoever follows a decode token by token. A token
// ends after the first p bytes unless byte p - 1 is a 0 that starts a run (its count ends it):
// a 0 that a byte other than 0 precedes, then every other 0 of an unbroken row of zeros.
class TokenEnds {
 public:
  explicit TokenEnds(std::span<const std::uint8_t> stored);
  // Whether a token ends after the first p stored bytes, 1 <= p <= size.
  bool after(std::size_t p) const { return (runStarts_[(p - 1) / 64] >> ((p - 1) % 64) & 1) == 0; }
  // The end of the last whole token: the size, less one when the bytes end in a 0 without its
  // count (the decode fails after the tokens before it).
  std::size_t last() const { return last_; }

 private:
  std::vector<std::uint64_t> runStarts_;  // one bit a byte
  std::size_t last_ = 0;
};

// The faults DecodeFrameData finds in a frame, found without expanding it: from the zeros at the
// end of the stored bytes (and, for a frame without a size, whether any byte is not 0).
void CheckFrameData(const FrameRecord& frame);

// Whether the frame's pixels hold an index other than 0: a pixel byte (1..255) of the stored
// bytes that lands within width x height. Found in one pass, nothing expanded; false for a frame
// without pixels. Faults are CheckFrameData's to find.
bool HasNonZeroPixel(const FrameRecord& frame);

// The frame's pixels, or nothing for a frame without pixels. kZeroRunCutShort and
// kPixelsWithoutSize as faults.
std::optional<IndexedImage> DecodeFrameData(const FrameRecord& frame);

inline constexpr int kMaxSide = 32767;
inline constexpr std::size_t kMaxStoredLength = 32767;
inline constexpr int kMaxFrames = 32767;
// The most pixels 32,767 stored bytes can hold: 16,383 runs of 255 and one literal.
inline constexpr std::int64_t kMaxEncodablePixels = 16383LL * 255 + 1;

// Why something cannot be written within the limits. `frame` (from 1) says which frame.
class Refusal : public std::runtime_error {
 public:
  enum class Kind {
    kBadSize,          // width or height outside 1..32,767: width(), height()
    kTooManyPixels,    // more pixels than any stored data within the limit holds
    kStoredTooLong,    // stored bytes above 32,767: storedLength()
    kTooManyFrames,    // more than 32,767 frames: frame() is the count
    kNoSuchFrame,      // replace: frame() outside 1..frameCount()
    kRecordInPalette,  // replace: the record reaches into the last 1,024 bytes
  };

  Refusal(Kind kind, int frame, int width = 0, int height = 0, std::int64_t storedLength = 0,
          int frameCount = 0);

  Kind kind() const { return kind_; }
  int frame() const { return frame_; }
  int width() const { return width_; }
  int height() const { return height_; }
  std::int64_t storedLength() const { return storedLength_; }
  int frameCount() const { return frameCount_; }

 private:
  Kind kind_;
  int frame_, width_, height_;
  std::int64_t storedLength_;
  int frameCount_;
};

// The canonical stored bytes of the image, frame number `frame` for a refusal.
Bytes EncodeFrameData(const IndexedImage& image, int frame = 1);

// The pieces of a file, in file order: the 8-byte header, one record per frame (its 6-byte header
// and stored bytes), the palette with its reserved bytes 0.
Bytes EncodeHeader(int frameCount);
Bytes EncodeRecord(const IndexedImage& image, int frame);
Palette EncodePalette(const Palette& palette);

// A whole file of these frames.
Bytes EncodeSprite(std::span<const IndexedImage> frames, const Palette& palette);

// Where frame `number`'s record lies in a file, to be replaced: the bytes before `start` and from
// `end` on stay. The records up to that frame must be whole (Fault otherwise); kNoSuchFrame and
// kRecordInPalette as refusals. Only the header, the palette and the records' headers are read.
struct RecordSpan {
  std::int64_t start = 0, end = 0;
};
RecordSpan FindRecord(ByteSource& source, int number);

// The file with frame `number`'s record replaced by the image's; every other byte stays as it
// was, the other records as stored even when not canonical. The records up to that frame must be
// whole (Fault otherwise); the image is encoded as above.
Bytes ReplaceFrame(std::span<const std::uint8_t> file, int number, const IndexedImage& image);

}  // namespace glint::spr
