#include "carriers/aiff_au/aiff_au.h"

#include <algorithm>
#include <optional>

#include "carriers/aiff_au/audio_format.h"
#include "carriers/common/unit_groups.h"
#include "carriers/common/unit_visits.h"
#include "carriers/wav/sample_groups.h"
#include "carriers/wav/wav.h"
#include "platform/byte_order.h"

namespace murl {
namespace {

using audio::AudioLayout;
using platform::File;

constexpr uint64_t kBlockSamples = kBufferSize / 2;

uint8_t audioLevel(const Workspace& workspace, CarrierType type) {
  return workspace.options.level(type == CarrierType::kAu ? LevelFormat::kAu : LevelFormat::kAif);
}

bool parse(File& src, AudioLayout& layout) {
  return audio::parseAudio(audio::readFrom(src), src.size(), layout);
}

// How one pass over the samples reports trouble: no message for count.
struct Pass {
  File* dst = nullptr;
  std::optional<MessageId> readError;
  bool closingOnly = false;  // count and check poll only the closing flag
};

// Visits the qualifying samples of a block in order and stores the unit bits the visit leaves;
// `changed` counts the samples whose bit changed.
template <class Visit>
bool walkSamples(uint8_t* bytes, uint64_t samples, uint8_t level, Visit& visit, uint64_t& changed) {
  for (uint64_t i = 0; i < samples; ++i) {
    uint8_t* sample = bytes + 2 * i;
    if (!wavSampleQualifies(static_cast<int16_t>(loadBe16(sample)), level)) continue;
    uint8_t bit = sample[1] & 1;
    if (!visit(bit)) return false;
    // Unconditional store: a branch on the random data bit would be mispredicted half the time.
    changed += bit != (sample[1] & 1);
    sample[1] = static_cast<uint8_t>((sample[1] & 0xFE) | bit);
  }
  return true;
}

// Streams the samples through the sample buffer in blocks of at most 0x200000, writing each
// block to dst (when given) after `perBlock(bytes, samples)` has seen it.
template <class PerBlock>
bool walkBlocks(File& src, const AudioLayout& layout, Workspace& workspace, const Pass& pass,
                PerBlock&& perBlock) {
  uint8_t* buffer = workspace.sampleBuffer.data();
  if (!src.seek(layout.samplesAt)) {
    if (pass.readError) workspace.show(*pass.readError);
    return false;
  }
  for (uint64_t done = 0; done < layout.sampleCount;) {
    if (pass.closingOnly ? workspace.closing.load() : workspace.interrupted()) return false;
    const uint64_t samples = std::min(layout.sampleCount - done, kBlockSamples);
    if (!src.readExact(buffer, samples * 2)) {
      if (pass.readError) workspace.show(*pass.readError);
      return false;
    }
    if (!perBlock(buffer, samples)) return false;
    if (pass.dst && !pass.dst->writeExact(buffer, samples * 2)) {
      workspace.show(MessageId::kCouldntWriteTargetFile);
      return false;
    }
    done += samples;
  }
  return true;
}

uint32_t leadIn(File& src, const AudioLayout& layout, const Workspace& workspace) {
  return soundLeadIn(src.size(), audioLevel(workspace, layout.type));
}

// Mark: the lead-in untouched, then the mark's bits in every later qualifying sample; shaped as
// UnitWriter is, so writeCarrier serves both.
class MarkWriter {
 public:
  MarkWriter(uint32_t leadIn, const MarkField& mark, uint8_t level)
      : source_(mark), visit_(leadIn, source_), level_(level) {}
  bool block(uint8_t* bytes, uint64_t samples) {
    return walkSamples(bytes, samples, level_, visit_, changed_);
  }
  bool complete() const { return true; }
  uint64_t changed() const { return changed_; }

 private:
  MarkBitSource source_;
  MarkVisit visit_;
  uint8_t level_;
  uint64_t changed_ = 0;
};

// Hide and mark: the bytes before the samples, the samples through `writer`, the rest unchanged.
template <class Writer>
bool writeCarrier(File& src, File& dst, const AudioLayout& layout, Workspace& workspace,
                  Writer& writer, double& percentage) {
  const Pass pass{&dst, MessageId::kCouldntReadSourceFile, false};
  if (!src.seek(0) || !dst.seek(0)) {
    workspace.show(MessageId::kCouldntReadSourceFile);
    return false;
  }
  if (!copyBytes(src, dst, layout.samplesAt, workspace) ||
      !walkBlocks(src, layout, workspace, pass,
                  [&](uint8_t* bytes, uint64_t samples) { return writer.block(bytes, samples); })) {
    return false;
  }
  // The source no longer holds the units it was counted with: the target could not be read back.
  if (!writer.complete()) {
    workspace.show(MessageId::kWrongCarrierBitsNumber);
    return false;
  }
  const uint64_t end = layout.samplesAt + layout.sampleCount * 2;
  if (!copyBytes(src, dst, src.size() - end, workspace)) return false;
  percentage = layout.sampleCount == 0 ? 0.0
                                       : static_cast<double>(writer.changed()) * 100.0 /
                                             static_cast<double>(layout.sampleCount);
  return true;
}

// Extract and check: the data bits go to `take(unitBits, count)` as UnitReader gives them;
// exactly S + N + 544 samples must qualify.
template <class TakeWord>
bool readCarrier(File& src, uint32_t carrierBits, Workspace& workspace, bool closingOnly,
                 TakeWord take) {
  AudioLayout layout;
  if (!parse(src, layout)) {
    workspace.show(MessageId::kCouldntReadFile);
    return false;
  }
  UnitReader<BigEndianSampleGrouper> reader(leadIn(src, layout, workspace), carrierBits,
                                            audioLevel(workspace, layout.type));
  const Pass pass{nullptr, MessageId::kCouldntReadFile, closingOnly};
  const bool ok = walkBlocks(src, layout, workspace, pass, [&](uint8_t* bytes, uint64_t samples) {
    return reader.block(bytes, samples, take);
  });
  if (!ok && !reader.beyond()) return false;
  if (reader.beyond() || !reader.complete()) {
    workspace.show(MessageId::kWrongCarrierBitsNumber);
    return false;
  }
  return true;
}

class AiffAuHandler final : public CarrierHandler {
 public:
  bool count(File& src, const std::string&, IdentificationRecord& record,
             Workspace& workspace) const override {
    AudioLayout layout;
    if (!parse(src, layout)) return false;
    const BigEndianSampleGrouper grouper(audioLevel(workspace, layout.type));
    uint64_t units = 0;
    const Pass pass{nullptr, std::nullopt, true};
    if (!walkBlocks(src, layout, workspace, pass, [&](uint8_t* bytes, uint64_t samples) {
          units += countQualifying(grouper, bytes, 0, samples);
          return true;
        })) {
      return false;
    }
    const uint64_t overhead = uint64_t{kTrailerBits} + leadIn(src, layout, workspace);
    if (units <= overhead) return false;
    record.type = layout.type;
    record.carrierBits = static_cast<uint32_t>(units - overhead);  // fewer than 2^31
    record.rejected = false;
    return true;
  }

  bool hide(File& src, File& dst, const CarrierEntry&, const StreamShare& share, const HideJob& job,
            Workspace& workspace, double& percentage) const override {
    AudioLayout layout;
    if (!parse(src, layout)) {
      workspace.show(MessageId::kCouldntReadSourceFile);
      return false;
    }
    ChunkSource source(workspace, *job.stream, share, job.trailer);
    UnitWriter<BigEndianSampleGrouper> writer(source, leadIn(src, layout, workspace),
                                              audioLevel(workspace, layout.type));
    return writeCarrier(src, dst, layout, workspace, writer, percentage);
  }

  bool extract(File& src, const CarrierEntry& entry, ExtractionSink& sink,
               Workspace& workspace) const override {
    return readCarrier(
        src, entry.carrierBits, workspace, false,
        [&sink](uint64_t unitBits, uint32_t count) { return sink.putUnitBits(unitBits, count); });
  }

  bool mark(File& src, File& dst, const MarkField& mark, Workspace& workspace,
            double& percentage) const override {
    AudioLayout layout;
    if (!parse(src, layout)) {
      workspace.show(MessageId::kCouldntReadSourceFile);
      return false;
    }
    MarkWriter writer(leadIn(src, layout, workspace), mark, audioLevel(workspace, layout.type));
    return writeCarrier(src, dst, layout, workspace, writer, percentage);
  }

  bool check(File& src, uint32_t carrierBits, CheckCollector& collector,
             Workspace& workspace) const override {
    return readCarrier(src, carrierBits, workspace, true,
                       [&collector](uint64_t unitBits, uint32_t count) {
                         collector.addUnitBits(unitBits, count);
                         return true;
                       });
  }
};

}  // namespace

const CarrierHandler& aiffAuHandler() {
  static const AiffAuHandler handler;
  return handler;
}

}  // namespace murl
