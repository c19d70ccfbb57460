#include "carriers/wav/wav.h"

#include <cstring>
#include <optional>

#include "carriers/wav/sample_groups.h"
#include "platform/byte_order.h"

namespace murl {
namespace {

constexpr uint64_t kBlockSamples = kBufferSize / 2;
constexpr uint32_t kMaxRiffField = 0x80000000;

int16_t sampleAt(const uint8_t* at) { return static_cast<int16_t>(loadLe16(at)); }

// Where the samples of a checked WAVE lie.
struct WavLayout {
  uint64_t samplesAt = 0;    // file offset of the first sample
  uint64_t sampleCount = 0;  // M = (D / B) * K; bytes of the data body beyond 2M are not samples
};

// PCM (tag 1), at least one channel, two bytes per sample; the bits-per-sample field is not read.
bool checkFormat(platform::File& src, uint32_t bodySize, uint32_t& channels, uint16_t& blockAlign) {
  uint8_t body[14];
  if (bodySize < sizeof body || !src.readExact(body, sizeof body)) return false;
  channels = loadLe16(body + 2);
  blockAlign = loadLe16(body + 12);
  return loadLe16(body) == 1 && channels != 0 && blockAlign / channels == 2;
}

// Checks the RIFF header and walks the chunks of the region: exactly one "fmt " (16-bit PCM)
// before exactly one "data", every body within the RIFF size, the chunks ending exactly there.
// No message: count rejects silently and the other operations choose their own.
bool parseWav(platform::File& src, const CarrierRegion& region, WavLayout& layout) {
  uint8_t head[12];
  if (!src.seek(region.offset) || !src.readExact(head, sizeof head)) return false;
  uint32_t riffSize = loadLe32(head + 4);
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
    uint32_t bodySize = loadLe32(chunk + 4);
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

// Hide and mark begin alike: the source must still parse, and its head goes to the target.
bool startTarget(platform::File& src, platform::File& dst, const CarrierRegion& region,
                 WavLayout& layout, Workspace& workspace) {
  if (!parseWav(src, region, layout)) {
    workspace.show(MessageId::kCouldntReadSourceFile);
    return false;
  }
  return copyHead(src, dst, region, layout, workspace);
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

// Reads the N data bits of a carrier back into `take` (as UnitReader gives them), skipping the
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
  UnitReader<SampleGrouper> reader(soundLeadIn(region.size, level), carrierBits, level);
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
  if (!startTarget(src, dst, region, layout, workspace)) return false;
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
                        [&collector](uint64_t unitBits, uint32_t count) {
                          collector.addUnitBits(unitBits, count);
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
                           qualifying += countQualifying(SampleGrouper(level), bytes, 0, samples);
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
  if (!startTarget(src, dst, region, layout, workspace)) return false;
  const uint8_t level = wavLevel(workspace);
  ChunkSource bits(workspace, *job.stream, share, job.trailer);
  UnitWriter<SampleGrouper> writer(bits, soundLeadIn(region.size, level), level);
  bool ok = forEachBlock(src, layout, workspace, true, MessageId::kCouldntReadSourceFile,
                         [&](uint8_t* bytes, uint64_t samples, uint64_t at) {
                           return writer.block(bytes, samples) &&
                                  writeBlock(dst, bytes, samples, at, workspace);
                         });
  if (!ok) return false;
  // The source no longer holds the units it was counted with: the target could not be read back.
  if (!writer.complete()) {
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
