#include "carriers/wav/wav.h"

#include <cstring>
#include <optional>

#include "carriers/wav/sample_groups.h"

namespace murl {
namespace {

constexpr uint64_t kBlockSamples = kBufferSize / 2;
constexpr uint32_t kMaxRiffField = 0x80000000;

uint32_t le32(const uint8_t* at) {
  return at[0] | (at[1] << 8) | (at[2] << 16) | (uint32_t{at[3]} << 24);
}
uint16_t le16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }
int16_t sampleAt(const uint8_t* at) { return static_cast<int16_t>(le16(at)); }

// Where the samples of a checked WAVE lie.
struct WavLayout {
  uint64_t samplesAt = 0;    // file offset of the first sample
  uint64_t sampleCount = 0;  // M = (D / B) * K; bytes of the data body beyond 2M are not samples
};

// PCM (tag 1), at least one channel, two bytes per sample; the bits-per-sample field is not read.
bool checkFormat(platform::File& src, uint32_t bodySize, uint32_t& channels, uint16_t& blockAlign) {
  uint8_t body[14];
  if (bodySize < sizeof body || !src.readExact(body, sizeof body)) return false;
  channels = le16(body + 2);
  blockAlign = le16(body + 12);
  return le16(body) == 1 && channels != 0 && blockAlign / channels == 2;
}

// Checks the RIFF header and walks the chunks of the region: exactly one "fmt " (16-bit PCM)
// before exactly one "data", every body within the RIFF size, the chunks ending exactly there.
// No message: count rejects silently and the other operations choose their own.
bool parseWav(platform::File& src, const CarrierRegion& region, WavLayout& layout) {
  uint8_t head[12];
  if (!src.seek(region.offset) || !src.readExact(head, sizeof head)) return false;
  uint32_t riffSize = le32(head + 4);
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0 ||
      riffSize >= kMaxRiffField || uint64_t{riffSize} + 8 > region.size || riffSize + 8 < 12) {
    return false;
  }
  const uint64_t end = uint64_t{riffSize} + 8;  // relative to the region
  uint64_t at = 12;
  uint16_t blockAlign = 0;
  uint32_t channels = 0;
  bool haveFormat = false;
  bool haveData = false;
  while (at != end) {
    uint8_t chunk[8];
    if (at + 8 > end || !src.seek(region.offset + at) || !src.readExact(chunk, sizeof chunk)) {
      return false;
    }
    at += 8;
    uint32_t bodySize = le32(chunk + 4);
    if (bodySize >= kMaxRiffField || at + bodySize > end) return false;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (haveFormat || haveData || !checkFormat(src, bodySize, channels, blockAlign)) {
        return false;
      }
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (haveData || !haveFormat || bodySize == 0) return false;
      layout.samplesAt = region.offset + at;
      layout.sampleCount = uint64_t{bodySize / blockAlign} * channels;
      haveData = true;
    }
    at += bodySize;
  }
  return haveData;
}

// Reads the samples block by block into the sample buffer and hands each block to `visit`
// (bytes, samples, file offset). A short read shows `readFailure` when there is one.
template <class Visit>
bool forEachBlock(platform::File& src, const WavLayout& layout, Workspace& workspace, bool pollStop,
                  std::optional<MessageId> readFailure, Visit visit) {
  uint8_t* buffer = workspace.sampleBuffer.data();
  if (!src.seek(layout.samplesAt)) {
    if (readFailure) workspace.show(*readFailure);
    return false;
  }
  for (uint64_t done = 0; done < layout.sampleCount;) {
    if (pollStop ? workspace.interrupted() : workspace.closing.load()) return false;
    uint64_t samples = std::min(layout.sampleCount - done, kBlockSamples);
    if (!src.readExact(buffer, samples * 2)) {
      if (readFailure) workspace.show(*readFailure);
      return false;
    }
    if (!visit(buffer, samples, layout.samplesAt + done * 2)) return false;
    done += samples;
  }
  return true;
}

uint8_t wavLevel(const Workspace& workspace) { return workspace.options.level(LevelFormat::kWav); }

// Writes a rewritten block back at its place in the target.
bool writeBlock(platform::File& dst, const uint8_t* bytes, uint64_t samples, uint64_t at,
                Workspace& workspace) {
  if (dst.seek(at) && dst.writeExact(bytes, samples * 2)) return true;
  workspace.show(MessageId::kCouldntWriteTargetFile);
  return false;
}

// For a file of its own: the bytes before the samples, copied before they are rewritten.
bool copyHead(platform::File& src, platform::File& dst, const CarrierRegion& region,
              const WavLayout& layout, Workspace& workspace) {
  if (region.inModule) return true;
  if (!src.seek(region.offset) || !dst.seek(region.offset)) {
    workspace.show(MessageId::kCouldntReadSourceFile);
    return false;
  }
  return copyBytes(src, dst, layout.samplesAt - region.offset, workspace);
}

// For a file of its own: everything after the last sample (an odd data byte, later chunks,
// bytes appended after the RIFF data), copied unchanged.
bool copyTail(platform::File& src, platform::File& dst, const CarrierRegion& region,
              const WavLayout& layout, Workspace& workspace) {
  if (region.inModule) return true;
  uint64_t from = layout.samplesAt + layout.sampleCount * 2;
  uint64_t end = region.offset + region.size;
  if (!src.seek(from) || !dst.seek(from)) {
    workspace.show(MessageId::kCouldntReadSourceFile);
    return false;
  }
  return copyBytes(src, dst, end - from, workspace);
}

// Leaves the next `count` qualifying samples from sample i on, counting them off; returns where
// it stopped.
uint64_t skipQualifying(const uint8_t* bytes, uint64_t i, uint64_t samples, uint8_t level,
                        uint32_t& count) {
  for (; i < samples && count != 0; ++i)
    count -= wavSampleQualifies(sampleAt(bytes + 2 * i), level);
  return i;
}

uint64_t countQualifying(const uint8_t* bytes, uint64_t i, uint64_t samples, uint8_t level) {
  const SampleGrouper grouper(level);
  uint64_t qualifying = 0;
  for (; i + 8 <= samples; i += 8) qualifying += bitCount(grouper.group(bytes + 2 * i).qualifying);
  for (; i < samples; ++i) qualifying += wavSampleQualifies(sampleAt(bytes + 2 * i), level);
  return qualifying;
}

// Gives bit 0 of a sample's low byte the unit bit, counting a change; no branch on the bit, as
// unit bits are random.
inline void flipTo(uint8_t& low, uint8_t unitBit, uint64_t& changed) {
  uint8_t differs = (low ^ unitBit) & 1;
  low ^= differs;
  changed += differs;
}

double changedShare(uint64_t changed, uint64_t samples) {
  return samples == 0 ? 0.0 : static_cast<double>(changed) * 100.0 / static_cast<double>(samples);
}

// Writes the unit bits of a carrier into its qualifying samples after the lead-in, a word of them
// at a time, and counts the qualifying samples left over once they are all written.
class SampleWriter {
 public:
  SampleWriter(ChunkSource& bits, uint32_t leadIn, uint8_t level)
      : bits_(bits), leadIn_(leadIn), level_(level), grouper_(level) {}

  // False when the source fails (it has shown its message).
  bool block(uint8_t* bytes, uint64_t samples) {
    uint64_t i = skipQualifying(bytes, 0, samples, level_, leadIn_);
    if (!spendGroups(bytes, i, samples)) return false;
    // The block's last samples, and those after the source ran short, one at a time.
    while (i < samples) {
      if (left_ == 0) {
        if (bits_.remaining() == 0) {
          beyond_ += countQualifying(bytes, i, samples, level_);
          break;
        }
        if (!bits_.nextWord(word_, left_)) return false;
      }
      i = spendWord(bytes, i, samples);
    }
    return true;
  }
  // Unit bits not written yet: those held and those still in the source.
  uint64_t unwritten() const { return left_ + bits_.remaining(); }
  uint64_t changed() const { return changed_; }
  uint64_t beyond() const { return beyond_; }

 private:
  // Tops the held bits up to at least 8 while the source has more.
  bool topUp() {
    while (left_ < 8 && bits_.remaining() != 0) {
      uint64_t more = 0;
      uint32_t count = 0;
      if (!bits_.nextWord(more, count, 64 - left_)) return false;
      word_ |= more >> left_;
      left_ += count;
    }
    return true;
  }

  // Eight samples at a time while the held bits cover each group's qualifying ones; `i` ends at
  // the first group left alone. False when the source fails.
  bool spendGroups(uint8_t* bytes, uint64_t& i, uint64_t samples) {
    // Locals, so the loop does not go through memory for its state.
    uint64_t word = word_;
    uint32_t left = left_;
    uint64_t changed = changed_;
    for (; i + 8 <= samples; i += 8) {
      if (left < 8) {
        word_ = word;
        left_ = left;
        if (!topUp()) return false;
        word = word_;
        left = left_;
      }
      uint8_t* at = bytes + 2 * i;
      SampleGroup group = grouper_.group(at);
      uint32_t qualifying = bitCount(group.qualifying);
      if (qualifying > left) break;
      uint8_t wanted = tables_.deposit[group.qualifying][word >> 56];
      uint8_t flips = (wanted ^ group.lowBits) & group.qualifying;
      SampleGrouper::flip(at, flips);
      changed += bitCount(flips);
      word <<= qualifying;
      left -= qualifying;
    }
    word_ = word;
    left_ = left;
    changed_ = changed;
    return true;
  }

  // Up to the block's end or the word's last bit. Which samples qualify and the bits themselves
  // are close to random, so neither decides a branch.
  uint64_t spendWord(uint8_t* bytes, uint64_t i, uint64_t samples) {
    uint64_t word = word_;
    uint32_t left = left_;
    uint64_t changed = changed_;
    while (i < samples) {
      uint8_t* low = bytes + 2 * i++;
      uint8_t qualifies = wavSampleQualifies(sampleAt(low), level_);
      uint8_t differs = (*low ^ static_cast<uint8_t>(word >> 63)) & qualifies;
      *low ^= differs;
      changed += differs;
      word <<= qualifies;
      if ((left -= qualifies) == 0) break;
    }
    word_ = word;
    left_ = left;
    changed_ = changed;
    return i;
  }

  ChunkSource& bits_;
  uint32_t leadIn_;
  const uint8_t level_;
  const SampleGrouper grouper_;
  const ByteBitTables& tables_ = byteBitTables();
  uint64_t word_ = 0;  // unit bits taken from the source and not yet written, from bit 63
  uint32_t left_ = 0;
  uint64_t changed_ = 0;
  uint64_t beyond_ = 0;
};

// Reads back the unit bits of a carrier's N data samples, a word of them at a time, and checks
// that exactly the 544 trailer samples follow.
class SampleReader {
 public:
  SampleReader(uint32_t leadIn, uint32_t carrierBits, uint8_t level)
      : leadIn_(leadIn), dataLeft_(carrierBits), level_(level), grouper_(level) {}

  // Hands the block's data bits to `take(unitBits, count)`, at most 64 in the low bits, the first
  // most significant. False when take fails or a qualifying sample lies past the trailer.
  template <class TakeWord>
  bool block(const uint8_t* bytes, uint64_t samples, TakeWord& take) {
    uint64_t i = skipQualifying(bytes, 0, samples, level_, leadIn_);
    uint64_t word = 0;
    uint32_t count = 0;
    for (; i + 8 <= samples; i += 8) {
      SampleGroup group = grouper_.group(bytes + 2 * i);
      uint32_t qualifying = bitCount(group.qualifying);
      if (qualifying > dataLeft_) break;  // the data ends inside: one at a time below
      word = word << qualifying | tables_.extract[group.qualifying][group.lowBits];
      count += qualifying;
      dataLeft_ -= qualifying;
      if (count > 56 && !takeWord(take, word, count)) return false;
    }
    if (count != 0 && !takeWord(take, word, count)) return false;
    while (i < samples && dataLeft_ != 0) {
      i = gatherWord(bytes, i, samples, word, count);
      dataLeft_ -= count;
      if (count != 0 && !take(word, count)) return false;
    }
    i = skipQualifying(bytes, i, samples, level_, trailerLeft_);
    beyond_ = countQualifying(bytes, i, samples, level_) != 0;
    return !beyond_;
  }
  bool beyond() const { return beyond_; }
  // Every lead-in, data and trailer sample was met.
  bool complete() const { return leadIn_ == 0 && dataLeft_ == 0 && trailerLeft_ == 0; }

 private:
  template <class TakeWord>
  static bool takeWord(TakeWord& take, uint64_t& word, uint32_t& count) {
    bool ok = take(word, count);
    word = 0;
    count = 0;
    return ok;
  }

  uint64_t gatherWord(const uint8_t* bytes, uint64_t i, uint64_t samples, uint64_t& word,
                      uint32_t& count) const {
    const uint32_t limit = std::min<uint32_t>(dataLeft_, 64);
    uint64_t bits = 0;
    uint32_t taken = 0;
    while (i < samples) {
      const uint8_t* low = bytes + 2 * i++;
      uint8_t qualifies = wavSampleQualifies(sampleAt(low), level_);
      bits = bits << qualifies | (*low & qualifies);
      if ((taken += qualifies) == limit) break;
    }
    word = bits;
    count = taken;
    return i;
  }

  uint32_t leadIn_;
  uint32_t dataLeft_;
  uint32_t trailerLeft_ = kTrailerBits;
  const uint8_t level_;
  const SampleGrouper grouper_;
  const ByteBitTables& tables_ = byteBitTables();
  bool beyond_ = false;
};

// Reads the N data bits of a carrier back into `take` (as SampleReader gives them), skipping the
// lead-in and the trailer; the carrier must hold exactly S + N + 544 qualifying samples.
template <class TakeWord>
bool readDataBits(platform::File& src, const CarrierRegion& region, uint32_t carrierBits,
                  bool pollStop, Workspace& workspace, TakeWord take) {
  WavLayout layout;
  if (!parseWav(src, region, layout)) {
    workspace.show(MessageId::kCouldntReadFile);
    return false;
  }
  const uint8_t level = wavLevel(workspace);
  SampleReader reader(soundLeadIn(region.size, level), carrierBits, level);
  bool ok = forEachBlock(src, layout, workspace, pollStop, MessageId::kCouldntReadFile,
                         [&](const uint8_t* bytes, uint64_t samples, uint64_t) {
                           return reader.block(bytes, samples, take);
                         });
  if (!ok && !reader.beyond()) return false;
  if (reader.beyond() || !reader.complete()) {
    workspace.show(MessageId::kWrongCarrierBitsNumber);
    return false;
  }
  return true;
}

bool wavMark(platform::File& src, platform::File& dst, const MarkField& mark, Workspace& workspace,
             double& percentage) {
  const CarrierRegion region = CarrierRegion::wholeFile(src);
  WavLayout layout;
  if (!parseWav(src, region, layout)) {
    workspace.show(MessageId::kCouldntReadSourceFile);
    return false;
  }
  if (!copyHead(src, dst, region, layout, workspace)) return false;
  const uint8_t level = wavLevel(workspace);
  uint32_t leadIn = soundLeadIn(region.size, level);
  MarkBitSource bits(mark);
  uint64_t changed = 0;
  bool ok = forEachBlock(src, layout, workspace, true, MessageId::kCouldntReadSourceFile,
                         [&](uint8_t* bytes, uint64_t samples, uint64_t at) {
                           for (uint64_t i = 0; i < samples; ++i) {
                             uint8_t* low = bytes + 2 * i;
                             if (!wavSampleQualifies(sampleAt(low), level)) continue;
                             if (leadIn != 0) {
                               --leadIn;
                               continue;
                             }
                             flipTo(*low, bits.next(), changed);
                           }
                           return writeBlock(dst, bytes, samples, at, workspace);
                         });
  if (!ok || !copyTail(src, dst, region, layout, workspace)) return false;
  percentage = changedShare(changed, layout.sampleCount);
  return true;
}

class WavHandler final : public CarrierHandler {
 public:
  bool count(platform::File& src, const std::string&, IdentificationRecord& record,
             Workspace& workspace) const override {
    return wavCount(src, CarrierRegion::wholeFile(src), record, workspace);
  }
  bool hide(platform::File& src, platform::File& dst, const CarrierEntry&, const StreamShare& share,
            const HideJob& job, Workspace& workspace, double& percentage) const override {
    return wavHide(src, dst, CarrierRegion::wholeFile(src), share, job, workspace, percentage);
  }
  bool extract(platform::File& src, const CarrierEntry& entry, ExtractionSink& sink,
               Workspace& workspace) const override {
    return wavExtract(src, CarrierRegion::wholeFile(src), entry.carrierBits, sink, workspace);
  }
  bool mark(platform::File& src, platform::File& dst, const MarkField& mark, Workspace& workspace,
            double& percentage) const override {
    return wavMark(src, dst, mark, workspace, percentage);
  }
  bool check(platform::File& src, uint32_t carrierBits, CheckCollector& collector,
             Workspace& workspace) const override {
    return readDataBits(src, CarrierRegion::wholeFile(src), carrierBits, false, workspace,
                        [&](uint64_t unitBits, uint32_t count) {
                          while (count != 0) collector.addUnitBit((unitBits >> --count) & 1);
                          return true;
                        });
  }
};

}  // namespace

const CarrierHandler& wavHandler() {
  static const WavHandler handler;
  return handler;
}

bool wavCount(platform::File& src, const CarrierRegion& region, IdentificationRecord& record,
              Workspace& workspace) {
  WavLayout layout;
  if (!parseWav(src, region, layout) || layout.sampleCount == 0) return false;
  const uint8_t level = wavLevel(workspace);
  uint64_t qualifying = 0;
  bool ok = forEachBlock(src, layout, workspace, false, std::nullopt,
                         [&](const uint8_t* bytes, uint64_t samples, uint64_t) {
                           qualifying += countQualifying(bytes, 0, samples, level);
                           return true;
                         });
  uint64_t overhead = uint64_t{soundLeadIn(region.size, level)} + kTrailerBits;
  if (!ok || qualifying <= overhead) return false;
  record.type = CarrierType::kWav;
  record.carrierBits = static_cast<uint32_t>(qualifying - overhead);  // M < 2^31
  record.rejected = false;
  return true;
}

bool wavHide(platform::File& src, platform::File& dst, const CarrierRegion& region,
             const StreamShare& share, const HideJob& job, Workspace& workspace,
             double& percentage) {
  WavLayout layout;
  if (!parseWav(src, region, layout)) {
    workspace.show(MessageId::kCouldntReadSourceFile);
    return false;
  }
  if (!copyHead(src, dst, region, layout, workspace)) return false;
  const uint8_t level = wavLevel(workspace);
  ChunkSource bits(workspace, *job.stream, share, job.trailer);
  SampleWriter writer(bits, soundLeadIn(region.size, level), level);
  bool ok = forEachBlock(src, layout, workspace, true, MessageId::kCouldntReadSourceFile,
                         [&](uint8_t* bytes, uint64_t samples, uint64_t at) {
                           return writer.block(bytes, samples) &&
                                  writeBlock(dst, bytes, samples, at, workspace);
                         });
  if (!ok) return false;
  // The source no longer holds the units it was counted with: the target could not be read back.
  if (writer.unwritten() != 0 || writer.beyond() != 0) {
    workspace.show(MessageId::kWrongCarrierBitsNumber);
    return false;
  }
  if (!copyTail(src, dst, region, layout, workspace)) return false;
  percentage = changedShare(writer.changed(), layout.sampleCount);
  return true;
}

bool wavExtract(platform::File& src, const CarrierRegion& region, uint32_t carrierBits,
                ExtractionSink& sink, Workspace& workspace) {
  return readDataBits(
      src, region, carrierBits, true, workspace,
      [&](uint64_t unitBits, uint32_t count) { return sink.putUnitBits(unitBits, count); });
}

}  // namespace murl
