#include "bits/bit_spreader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"
#include "transforms/cipher.h"

namespace murl {
namespace {

uint32_t adler(uint32_t check, const uint8_t* bytes, size_t count) {
  return static_cast<uint32_t>(::adler32(check, bytes, static_cast<uInt>(count)));
}

}  // namespace

std::vector<StreamShare> assignStreamBits(std::span<const uint32_t> carrierBits,
                                          uint32_t streamBits) {
  std::vector<StreamShare> shares;
  shares.reserve(carrierBits.size());
  uint64_t start = 0;
  for (uint32_t bits : carrierBits) {
    uint64_t left = start < streamBits ? streamBits - start : 0;
    // Start bits past 4 Gbits cannot occur: the list keeps its total within 32 bits.
    shares.push_back({static_cast<uint32_t>(std::min<uint64_t>(start, UINT32_MAX)), bits,
                      static_cast<uint32_t>(std::min<uint64_t>(bits, left))});
    start += bits;
  }
  return shares;
}

std::array<uint8_t, kTrailerHeaderSize> trailerHeader(const TrailerFields& fields) {
  std::array<uint8_t, kTrailerHeaderSize> header{};  // the password field stays zero
  std::memcpy(header.data(), kTrailerTag, sizeof kTrailerTag);
  storeLe32(&header[8], fields.sessionNumber);
  storeLe32(&header[12], fields.jobNumber);
  storeLe16(&header[16], fields.carrierIndex);
  storeLe16(&header[18], fields.carrierCount);
  return header;
}

void makeTrailer(uint8_t* out, const TrailerFields& fields, uint32_t dataCheck,
                 RandomSource& random) {
  auto header = trailerHeader(fields);
  std::memcpy(out, header.data(), header.size());
  encipherHeader(out, dataCheck, random);
}

uint32_t dataCheckUpdate(uint32_t check, const uint8_t* bytes, uint32_t n, uint32_t o) {
  size_t groups = n / 8;
  if (o == 0) return adler(check, bytes, groups);
  // Unaligned: each group straddles two buffer bytes; regroup a slice at a time.
  uint8_t slice[4096];
  for (size_t done = 0; done < groups;) {
    size_t count = std::min(groups - done, sizeof slice);
    const uint8_t* from = bytes + done;
    for (size_t i = 0; i < count; ++i) {
      slice[i] = static_cast<uint8_t>((from[i] << o) | (from[i + 1] >> (8 - o)));
    }
    check = adler(check, slice, count);
    done += count;
  }
  return check;
}

ChunkSource::ChunkSource(Workspace& workspace, platform::File& stream, const StreamShare& share,
                         const TrailerFields& trailer)
    : workspace_(workspace),
      stream_(stream),
      trailer_(trailer),
      buffer_(workspace.workBuffer.data()),
      remaining_(uint64_t{share.carrierBits} + kTrailerBits),
      dataLeft_(share.carrierBits),
      streamLeft_(std::min(share.streamBits, share.carrierBits)),
      streamBit_(share.startBit) {}

bool ChunkSource::nextWord(uint64_t& unitBits, uint32_t& count, uint32_t most) {
  if (position_ == end_ && !advance()) return false;
  // The work buffer reaches well past a chunk's last byte, so nine bytes can always be read.
  const uint8_t* at = buffer_ + (position_ >> 3);
  uint64_t word = loadBe64(at);
  if (uint32_t shift = position_ & 7) word = word << shift | at[8] >> (8 - shift);
  count = static_cast<uint32_t>(std::min<uint64_t>(end_ - position_, most));
  unitBits = ~word & (~uint64_t{0} << (64 - count));
  position_ += count;
  remaining_ -= count;
  return true;
}

TrailerRecord ChunkSource::record() const { return {check_, trailerBytes_}; }

bool ChunkSource::advance() {
  if (dataLeft_ != 0) return prepareChunk();
  if (trailerStarted_) return false;  // asked past the trailer: a handler fault
  // The trailer follows the last chunk, from bit 0 of the work buffer.
  makeTrailer(buffer_, trailer_, check_, workspace_.random);
  std::memcpy(trailerBytes_.data(), buffer_, kTrailerSize);
  trailerStarted_ = true;
  position_ = 0;
  end_ = kTrailerBits;
  return true;
}

bool ChunkSource::prepareChunk() {
  uint32_t n = std::min(dataLeft_, kChunkBits);
  uint32_t o = 0;
  auto fill = [&](size_t bytes) { workspace_.random.fillBytes(buffer_, bytes); };
  auto load = [&](uint32_t first, uint32_t bits) {
    size_t from = first / 8;
    size_t bytes = (uint64_t{first} + bits - 1) / 8 - from + 1;
    if (stream_.seek(from) && stream_.readExact(buffer_, bytes)) return true;
    workspace_.show(MessageId::kCouldntReadTempFile);
    return false;
  };
  if (streamLeft_ == 0) {
    fill((n + 7) / 8);
  } else if (streamLeft_ >= n) {
    if (!load(streamBit_, n)) return false;
    o = streamBit_ % 8;
    streamBit_ += n;
    streamLeft_ -= n;
  } else {
    // The stream ends inside this chunk, on a byte boundary: random bytes over every byte the
    // chunk spans, then the stream's last bytes over the start.
    o = streamBit_ % 8;
    fill((o + n + 7) / 8);
    if (!load(streamBit_, streamLeft_)) return false;
    streamLeft_ = 0;
  }
  dataLeft_ -= n;
  check_ = dataCheckUpdate(check_, buffer_, n, o);
  position_ = o;
  end_ = uint64_t{o} + n;
  return true;
}

ExtractionSink::ExtractionSink(Workspace& workspace, platform::File& temp)
    : workspace_(workspace), temp_(temp), buffer_(workspace.sinkBuffer.data()) {
  reset();
}

void ExtractionSink::reset() {
  std::memset(buffer_, 0, kSinkBufferSize);
  byte_ = 0;
  bit_ = 0;
  total_ = 0;
}

bool ExtractionSink::putUnitBits(uint64_t unitBits, uint32_t count) {
  if (count == 0) return true;
  const uint64_t hidden = ~unitBits;
  total_ += count;
  if (bit_ != 0) {
    // The current byte first, its free bits from the top.
    const uint32_t n = std::min(count, 8 - bit_);
    count -= n;
    const auto piece = static_cast<uint8_t>((hidden >> count) & ((1u << n) - 1));
    buffer_[byte_] |= static_cast<uint8_t>(piece << (8 - bit_ - n));
    bit_ += n;
    if (bit_ < 8) return true;
    bit_ = 0;
    if (++byte_ == kSinkBufferSize && !writeFull()) return false;
    if (count == 0) return true;
  }
  // From a byte boundary every byte ahead is still zero, so one big-endian word of the bits
  // left, most significant first and zeros after, lays down the whole bytes and the part byte.
  if (byte_ + 8 <= kSinkBufferSize) {
    storeBe64(buffer_ + byte_, hidden << (64 - count));
    byte_ += count / 8;
    bit_ = count % 8;
    return byte_ < kSinkBufferSize || writeFull();
  }
  for (; count >= 8; count -= 8) {
    buffer_[byte_] = static_cast<uint8_t>(hidden >> (count - 8));
    if (++byte_ == kSinkBufferSize && !writeFull()) return false;
  }
  if (count != 0) {
    buffer_[byte_] = static_cast<uint8_t>((hidden & ((1u << count) - 1)) << (8 - count));
    bit_ = count;
  }
  return true;
}

bool ExtractionSink::writeFull() {
  if (!temp_.writeExact(buffer_, kSinkBufferSize)) {
    workspace_.show(MessageId::kCouldntWriteTempFile);
    return false;
  }
  std::memset(buffer_, 0, kSinkBufferSize);
  byte_ = 0;
  return true;
}

bool ExtractionSink::flush() {
  size_t pending = byte_ + (bit_ != 0 ? 1 : 0);
  if (!temp_.writeExact(buffer_, pending)) {
    workspace_.show(MessageId::kCouldntWriteTempFile);
    return false;
  }
  return true;
}

uint8_t MarkBitSource::markBit(const MarkField& mark, uint64_t k) {
  uint64_t i = k % kMarkWindowBits;
  return (mark[(i / 8) % kMarkSize] >> (7 - i % 8)) & 1;
}

void CheckCollector::reset() {
  for (auto& table : tables_) table.fill(0);
  total_ = 0;
  bitIndex_ = 0;
  current_ = 0;
  position_ = 0;
}

void CheckCollector::add(uint8_t hiddenBit) {
  current_ |= static_cast<uint8_t>(hiddenBit << (7 - bitIndex_));
  ++total_;
  if (++bitIndex_ < 8) return;
  bitIndex_ = 0;
  ++tables_[position_][current_];
  current_ = 0;
  if (++position_ == kMarkSize || total_ % kMarkWindowBits == 0) position_ = 0;
}

}  // namespace murl
