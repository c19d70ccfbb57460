#include "carriers/bmp/bmp.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "carriers/bmp/bmp_format.h"
#include "carriers/bmp/colour_bytes.h"
#include "carriers/common/unit_visits.h"
#include "carriers/common/image_usability.h"
#include "carriers/common/unit_groups.h"
#include "platform/byte_order.h"

namespace murl {
namespace {

using bmp::BmpLayout;
using platform::File;

uint8_t bmpLevel(const Workspace& workspace) { return workspace.options.level(LevelFormat::kBmp); }

bool readLayout(File& src, const CarrierRegion& region, BmpLayout& layout) {
  std::array<uint8_t, bmp::kMaxHeaderBytes> head{};
  const size_t want = static_cast<size_t>(std::min<uint64_t>(head.size(), region.size));
  if (!src.seek(region.offset)) return false;
  const size_t got = src.read(head.data(), want);
  return bmp::parseBmp({head.data(), got}, !region.inModule, region.size, layout);
}

// How one pass over the rows reports trouble: no message for count.
struct Pass {
  File* dst = nullptr;
  std::optional<MessageId> readError;
  bool closingOnly = false;  // count and check poll only the closing flag
};

bool stopped(const Workspace& workspace, const Pass& pass) {
  return pass.closingOnly ? workspace.closing.load() : workspace.interrupted();
}

// Streams the rows through the sample buffer, as many whole rows per read as it holds, and
// writes each block back to dst (when given) after `perBlock` has seen it.
template <class PerBlock>
bool streamRows(File& src, const CarrierRegion& region, const BmpLayout& layout,
                Workspace& workspace, const Pass& pass, PerBlock&& perBlock) {
  const uint64_t start = region.offset + layout.pixelStart;
  if (!src.seek(start) || (pass.dst && !pass.dst->seek(start))) {
    if (pass.readError) workspace.show(*pass.readError);
    return false;
  }
  uint8_t* rows = workspace.sampleBuffer.data();
  const uint32_t perRead = static_cast<uint32_t>(workspace.sampleBuffer.size() / layout.rowStride);
  for (uint32_t done = 0; done < layout.height;) {
    if (stopped(workspace, pass)) return false;
    const uint32_t n = std::min(perRead, layout.height - done);
    const size_t bytes = size_t{n} * layout.rowStride;
    if (!src.readExact(rows, bytes)) {
      if (pass.readError) workspace.show(*pass.readError);
      return false;
    }
    if (!perBlock(rows, n)) return false;
    if (pass.dst && !pass.dst->writeExact(rows, bytes)) {
      workspace.show(MessageId::kCouldntWriteTargetFile);
      return false;
    }
    done += n;
  }
  return true;
}

// Bytes as units, eight per word: the row is stored once per word rather than once per byte,
// since every byte store may alias the visit's state and forces it back to memory.
template <class Visit>
bool walkBytes(uint8_t* bytes, uint32_t count, uint8_t level, Visit& visit, uint64_t& changed) {
  for (uint32_t i = 0; i < count; i += 8) {
    const uint32_t n = std::min(8u, count - i);
    uint8_t word[8];
    std::memcpy(word, bytes + i, n);
    for (uint32_t b = 0; b < n; ++b) {
      const uint8_t value = word[b];
      if (!isImageUnit(value, level)) continue;
      uint8_t bit = value & 1;
      if (!visit(bit)) return false;
      changed += bit != (value & 1);
      word[b] = static_cast<uint8_t>((value & 0xFE) | bit);
    }
    std::memcpy(bytes + i, word, n);
  }
  return true;
}

// Visits the units of one row in order (pixels left to right, channels 0, 1, 2) and stores the
// unit bits the visit leaves; `changed` counts the units whose bit changed.
template <class Visit>
bool walkRow(const BmpLayout& l, bool grey, uint8_t level, uint8_t* row, Visit& visit,
             uint64_t& changed) {
  // Stores are unconditional: whether a unit bit changes is as random as the data, and a branch
  // on it would be mispredicted half the time.
  if (l.bitCount == 24 && !grey) return walkBytes(row, l.rowBytes, level, visit, changed);
  if (l.bitCount == 24) {
    for (uint32_t i = 0; i < l.rowBytes; i += 3) {
      const uint8_t value = row[i];
      if (!isImageUnit(value, level)) continue;
      uint8_t bit = value & 1;
      if (!visit(bit)) return false;
      changed += bit != (value & 1);
      const uint8_t stored = static_cast<uint8_t>((value & 0xFE) | bit);
      row[i] = row[i + 1] = row[i + 2] = stored;
    }
    return true;
  }
  const uint32_t channels = grey ? 1 : 3;
  // A grey pixel's unit bit goes to all three channels.
  const uint32_t unitBits = (1u << l.shifts[0]) | (1u << l.shifts[1]) | (1u << l.shifts[2]);
  for (uint32_t i = 0; i < l.rowBytes; i += 4) {
    uint32_t px = loadLe32(row + i);
    for (uint32_t c = 0; c < channels; ++c) {
      const uint32_t value = (px & l.masks[c]) >> l.shifts[c];
      if (!isImageUnit(value, level)) continue;
      uint8_t bit = value & 1;
      if (!visit(bit)) return false;
      changed += bit != (value & 1);
      const uint32_t place = grey ? unitBits : 1u << l.shifts[c];
      px = (px & ~place) | (place * bit);
    }
    storeLe32(row + i, px);
  }
  return true;
}

// Hands each row to `perRow(row)` in order, across the blocks streamRows reads.
template <class PerRow>
bool eachRow(File& src, const CarrierRegion& region, const BmpLayout& layout, Workspace& workspace,
             const Pass& pass, PerRow&& perRow) {
  return streamRows(src, region, layout, workspace, pass, [&](uint8_t* rows, uint32_t n) {
    for (uint32_t r = 0; r < n; ++r) {
      if (!perRow(rows + size_t{r} * layout.rowStride)) return false;
    }
    return true;
  });
}

template <class Visit>
bool walkRows(File& src, const CarrierRegion& region, const BmpLayout& layout, bool grey,
              Workspace& workspace, const Pass& pass, Visit& visit, uint64_t& changed) {
  const uint8_t level = bmpLevel(workspace);
  return eachRow(src, region, layout, workspace, pass,
                 [&](uint8_t* row) { return walkRow(layout, grey, level, row, visit, changed); });
}

// The colour bytes of a 24-bit colour bitmap are taken eight at a time; grey and 32-bit units
// one at a time through a visit.
bool groupsBytes(const BmpLayout& layout, bool grey) { return layout.bitCount == 24 && !grey; }

// Rows for writeCarrier through a visit.
template <class Visit>
class VisitedRows {
 public:
  VisitedRows(const BmpLayout& layout, bool grey, uint8_t level, Visit& visit)
      : layout_(layout), grey_(grey), level_(level), visit_(visit) {}
  bool row(uint8_t* row) { return walkRow(layout_, grey_, level_, row, visit_, changed_); }
  uint64_t changed() const { return changed_; }

 private:
  const BmpLayout& layout_;
  bool grey_;
  uint8_t level_;
  Visit& visit_;
  uint64_t changed_ = 0;
};

// Rows for writeCarrier eight colour bytes at a time.
class GroupedRows {
 public:
  GroupedRows(const BmpLayout& layout, UnitWriter<bmp::ColourByteGrouper>& writer)
      : rowBytes_(layout.rowBytes), writer_(writer) {}
  bool row(uint8_t* row) { return writer_.block(row, rowBytes_); }
  uint64_t changed() const { return writer_.changed(); }

 private:
  uint32_t rowBytes_;
  UnitWriter<bmp::ColourByteGrouper>& writer_;
};

double changedShare(uint64_t changed, const BmpLayout& layout, bool grey) {
  const uint64_t units = layout.pixelCount() * (grey ? 1 : 3);
  return units == 0 ? 0.0 : static_cast<double>(changed) * 100.0 / static_cast<double>(units);
}

// Copies the bytes before the rows (file form only; a module target holds them already).
bool copyHeaders(File& src, File& dst, const CarrierRegion& region, const BmpLayout& layout,
                 Workspace& workspace) {
  if (region.inModule) return true;
  if (!src.seek(region.offset) || !dst.seek(region.offset)) {
    workspace.show(MessageId::kCouldntReadSourceFile);
    return false;
  }
  return copyBytes(src, dst, layout.pixelStart, workspace);
}

// After the rows: the rest of a file up to the source's size.
bool copyTail(File& src, File& dst, const CarrierRegion& region, const BmpLayout& layout,
              Workspace& workspace) {
  if (region.inModule) return true;
  const uint64_t end = layout.pixelStart + layout.pixelBytes();
  return copyBytes(src, dst, region.size - end, workspace);
}

// Hide and mark: headers, rows through `rows`, tail. `complete()` tells whether the bitmap held
// the units it was counted with.
template <class Rows, class Complete>
bool writeCarrier(File& src, File& dst, const CarrierRegion& region, const BmpLayout& layout,
                  bool grey, Workspace& workspace, Rows& rows, Complete complete,
                  double& percentage) {
  const Pass pass{&dst, MessageId::kCouldntReadSourceFile, false};
  if (!copyHeaders(src, dst, region, layout, workspace) ||
      !eachRow(src, region, layout, workspace, pass,
               [&rows](uint8_t* row) { return rows.row(row); })) {
    return false;
  }
  percentage = changedShare(rows.changed(), layout, grey);
  if (!complete()) {
    workspace.show(MessageId::kWrongCarrierBitsNumber);
    return false;
  }
  return copyTail(src, dst, region, layout, workspace);
}

// Extract and check: the data bits go to `take(unitBits, count)`, as UnitReader gives them;
// exactly S + N + 544 units must be used.
template <class TakeWord>
bool readCarrier(File& src, const CarrierRegion& region, const BmpLayout& layout, bool grey,
                 uint32_t carrierBits, Workspace& workspace, bool closingOnly, TakeWord take) {
  const uint8_t level = bmpLevel(workspace);
  const uint32_t leadIn = bmp::bmpLeadIn(layout, level);
  const Pass pass{nullptr, MessageId::kCouldntReadFile, closingOnly};
  bool complete = false;
  if (groupsBytes(layout, grey)) {
    UnitReader<bmp::ColourByteGrouper> reader(leadIn, carrierBits, level);
    const bool ok = eachRow(src, region, layout, workspace, pass,
                            [&](uint8_t* row) { return reader.block(row, layout.rowBytes, take); });
    if (!ok && !reader.beyond()) return false;
    complete = !reader.beyond() && reader.complete();
  } else {
    auto takeBit = [&take](uint8_t unitBit) { return take(uint64_t{unitBit}, 1); };
    ReadVisit<decltype(takeBit)> visit(leadIn, carrierBits, takeBit);
    uint64_t unused = 0;
    if (!walkRows(src, region, layout, grey, workspace, pass, visit, unused)) return false;
    complete = visit.complete();
  }
  if (!complete) {
    workspace.show(MessageId::kWrongCarrierBitsNumber);
    return false;
  }
  return true;
}

struct Scan {
  bool grey = true;  // a bitmap without rows counts as grey
  uint64_t colourUnits = 0;
  uint64_t greyUnits = 0;
};

// One pass over the rows finds the classification and the units of either kind. False when the
// rows run out or the capacity product reaches 0xFFFFFFFF.
bool scanBitmap(File& src, const CarrierRegion& region, const BmpLayout& layout,
                Workspace& workspace, const Pass& pass, Scan& scan) {
  const uint8_t level = bmpLevel(workspace);
  CountVisit colour, grey;
  uint64_t unused = 0;
  const bool read =
      streamRows(src, region, layout, workspace, pass, [&](uint8_t* rows, uint32_t n) {
        for (uint32_t r = 0; r < n; ++r) {
          uint8_t* row = rows + size_t{r} * layout.rowStride;
          scan.grey = scan.grey && bmp::bmpRowIsGrey(layout, row);
          walkRow(layout, false, level, row, colour, unused);
          walkRow(layout, true, level, row, grey, unused);
        }
        return true;
      });
  scan.colourUnits = colour.units;
  scan.greyUnits = grey.units;
  return read && layout.pixelCount() * (scan.grey ? 1 : 3) < 0xFFFFFFFFu;
}

bool isGrey(CarrierType type) { return type == CarrierType::kBmpGrey; }

class BmpHandler final : public CarrierHandler {
 public:
  bool count(File& src, const std::string&, IdentificationRecord& record,
             Workspace& workspace) const override {
    return bmpCount(src, CarrierRegion::wholeFile(src), record, workspace);
  }
  bool hide(File& src, File& dst, const CarrierEntry& entry, const StreamShare& share,
            const HideJob& job, Workspace& workspace, double& percentage) const override {
    return bmpHide(src, dst, CarrierRegion::wholeFile(src), isGrey(entry.type), share, job,
                   workspace, percentage);
  }
  bool extract(File& src, const CarrierEntry& entry, ExtractionSink& sink,
               Workspace& workspace) const override {
    return bmpExtract(src, CarrierRegion::wholeFile(src), isGrey(entry.type), entry.carrierBits,
                      sink, workspace);
  }
  bool mark(File& src, File& dst, const MarkField& mark, Workspace& workspace,
            double& percentage) const override;
  bool check(File& src, uint32_t carrierBits, CheckCollector& collector,
             Workspace& workspace) const override;
};

}  // namespace

bool bmpCount(File& src, const CarrierRegion& region, IdentificationRecord& record,
              Workspace& workspace) {
  BmpLayout layout;
  Scan scan;
  if (!readLayout(src, region, layout) ||
      !scanBitmap(src, region, layout, workspace, {nullptr, std::nullopt, true}, scan)) {
    return false;
  }
  const uint64_t units = scan.grey ? scan.greyUnits : scan.colourUnits;
  const uint64_t overhead = uint64_t{kTrailerBits} + bmp::bmpLeadIn(layout, bmpLevel(workspace));
  if (units <= overhead) return false;
  record.type = scan.grey ? CarrierType::kBmpGrey : CarrierType::kBmpColour;
  record.carrierBits = static_cast<uint32_t>(units - overhead);
  record.rejected = false;
  return true;
}

bool bmpHide(File& src, File& dst, const CarrierRegion& region, bool grey, const StreamShare& share,
             const HideJob& job, Workspace& workspace, double& percentage) {
  BmpLayout layout;
  if (!readLayout(src, region, layout)) {
    workspace.show(MessageId::kCouldntReadSourceFile);
    return false;
  }
  ChunkSource source(workspace, *job.stream, share, job.trailer);
  const uint8_t level = bmpLevel(workspace);
  const uint32_t leadIn = bmp::bmpLeadIn(layout, level);
  if (groupsBytes(layout, grey)) {
    UnitWriter<bmp::ColourByteGrouper> writer(source, leadIn, level);
    GroupedRows rows(layout, writer);
    return writeCarrier(
        src, dst, region, layout, grey, workspace, rows, [&] { return writer.complete(); },
        percentage);
  }
  HideVisit visit(leadIn, source);
  VisitedRows rows(layout, grey, level, visit);
  return writeCarrier(
      src, dst, region, layout, grey, workspace, rows, [&] { return visit.complete(); },
      percentage);
}

bool bmpExtract(File& src, const CarrierRegion& region, bool grey, uint32_t carrierBits,
                ExtractionSink& sink, Workspace& workspace) {
  BmpLayout layout;
  if (!readLayout(src, region, layout)) {
    workspace.show(MessageId::kCouldntReadFile);
    return false;
  }
  return readCarrier(
      src, region, layout, grey, carrierBits, workspace, false,
      [&sink](uint64_t unitBits, uint32_t count) { return sink.putUnitBits(unitBits, count); });
}

// Mark and check are given no type: they classify the bitmap again, as its count did.
bool BmpHandler::mark(File& src, File& dst, const MarkField& mark, Workspace& workspace,
                      double& percentage) const {
  const CarrierRegion region = CarrierRegion::wholeFile(src);
  const Pass pass{nullptr, MessageId::kCouldntReadSourceFile, false};
  BmpLayout layout;
  Scan scan;
  if (!readLayout(src, region, layout)) {
    workspace.show(MessageId::kCouldntReadSourceFile);
    return false;
  }
  if (!scanBitmap(src, region, layout, workspace, pass, scan)) return false;
  const uint8_t level = bmpLevel(workspace);
  MarkBitSource source(mark);
  MarkVisit visit(bmp::bmpLeadIn(layout, level), source);
  VisitedRows rows(layout, scan.grey, level, visit);
  return writeCarrier(
      src, dst, region, layout, scan.grey, workspace, rows, [] { return true; }, percentage);
}

bool BmpHandler::check(File& src, uint32_t carrierBits, CheckCollector& collector,
                       Workspace& workspace) const {
  const CarrierRegion region = CarrierRegion::wholeFile(src);
  const Pass pass{nullptr, MessageId::kCouldntReadFile, true};
  BmpLayout layout;
  Scan scan;
  if (!readLayout(src, region, layout)) {
    workspace.show(MessageId::kCouldntReadFile);
    return false;
  }
  if (!scanBitmap(src, region, layout, workspace, pass, scan)) return false;
  return readCarrier(src, region, layout, scan.grey, carrierBits, workspace, true,
                     [&collector](uint64_t unitBits, uint32_t count) {
                       collector.addUnitBits(unitBits, count);
                       return true;
                     });
}

const CarrierHandler& bmpHandler() {
  static const BmpHandler handler;
  return handler;
}

}  // namespace murl
