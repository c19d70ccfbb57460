#include "carriers/mp3/mp3.h"

#include <algorithm>
#include <optional>

#include "platform/byte_order.h"

namespace murl {
namespace {

constexpr size_t kTagHeaderBytes = 10;

// Where an ID3v2 tag at the start of the file ends: "ID3", then after version and flags a
// syncsafe size (four bytes below 0x80), a footer of 10 more bytes when flag 0x10 is set.
std::optional<uint64_t> id3v2End(const uint8_t* head) {
  if (head[0] != 'I' || head[1] != 'D' || head[2] != '3') return std::nullopt;
  uint64_t size = 0;
  for (size_t i = 6; i < kTagHeaderBytes; ++i) {
    if (head[i] >= 0x80) return std::nullopt;
    size = size << 7 | head[i];
  }
  return kTagHeaderBytes + size + ((head[5] & 0x10) ? kTagHeaderBytes : 0);
}

// The lead-in position: the u32 at offset 2, halved until it lies within the file.
uint64_t leadInPosition(const uint8_t* head, uint64_t size) {
  uint64_t position = loadLe32(head + 2);
  while (position > size) position >>= 1;
  return position;
}

}  // namespace

bool Mp3Format::open(platform::File& src, const CarrierRegion& region, CarrierType) {
  src_ = &src;
  size_ = region.size;
  level_ = context_.level(LevelFormat::kMp3);
  uint8_t head[kTagHeaderBytes] = {};
  const size_t headBytes = static_cast<size_t>(std::min<uint64_t>(size_, sizeof head));
  if (headBytes < 6 || !src.seek(0) || !src.readExact(head, headBytes)) return false;
  start_.leadInPosition = leadInPosition(head, size_);
  // A position equal to the size has no byte to read.
  uint8_t leadInByte = 0;
  if (start_.leadInPosition == size_ || !src.seek(start_.leadInPosition) ||
      !src.readExact(&leadInByte, 1)) {
    return false;
  }
  leadIn_ = ((leadInByte & 0x3Cu) + level_) >> 2;

  const std::optional<uint64_t> literal = firstSync(0);
  if (!literal) return false;
  start_.firstFrame = *literal;
  const std::optional<uint64_t> tagEnd =
      headBytes == kTagHeaderBytes ? id3v2End(head) : std::nullopt;
  // The first sync lies past any tag, or the walk from it finds a carrier: that walk stands.
  if (!tagEnd || *literal >= *tagEnd || countsFrom(*literal)) return true;
  const std::optional<uint64_t> afterTag = *tagEnd < size_ ? firstSync(*tagEnd) : std::nullopt;
  if (!afterTag) return false;
  start_.firstFrame = *afterTag;
  return true;
}

std::optional<uint64_t> Mp3Format::firstSync(uint64_t from) {
  mp3::ByteWindow window(*src_, size_, context_.workspace.sampleBuffer);
  std::optional<uint64_t> found;
  return window.findSync(from, found) ? found : std::nullopt;
}

bool Mp3Format::countsFrom(uint64_t firstFrame) {
  // Run as a count: no message, whatever the operation.
  const OperationContext quiet(context_.workspace, Operation::kCount);
  mp3::ByteWindow window(*src_, size_, context_.workspace.sampleBuffer);
  UnitCounter counter;
  StretchPass<UnitCounter> visitor(counter);
  const mp3::WalkStart from{firstFrame, start_.leadInPosition};
  return mp3::walkFrames(quiet, window, from, visitor) &&
         carrierBitsOf(counter.units(), leadIn_, spacing()) != 0;
}

const CarrierHandler& mp3Handler() {
  static const FormatHandler<Mp3Format> handler;
  return handler;
}

namespace {
constexpr TypeFacts kTypes[] = {{CarrierType::kMp3, "MP3", LevelFormat::kMp3}};
constexpr const char* kExtensions[] = {"mp3"};
constexpr LevelFacts kLevels[] = {{LevelFormat::kMp3, "mp3", "MP3"}};
constexpr DialogFilter kFilters[] = {{"MP3 Audio (mp3)", "File Audio MP3 (mp3)", "*.mp3"}};
}  // namespace

const FormatFacts& mp3Facts() {
  static constexpr FormatFacts facts{kTypes, kExtensions,       kLevels,   kFilters,
                                     {},     MediaKind::kAudio, mp3Handler};
  return facts;
}

}  // namespace murl
