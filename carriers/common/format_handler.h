#pragma once
// The five operations written once for every format. A format is a small class that knows its
// layout and how to walk its units; this skeleton chooses the pass for the operation (counter,
// writer of stream or mark bits, reader into the sink or collector), checks the layout the pass
// met, and computes the percentage.
//
// A format F provides:
//   static constexpr CarrierType kType;   the type its extensions lead to
//   explicit F(const OperationContext& context);
//   bool open(platform::File& src, const CarrierRegion& region, CarrierType type);
//       parses the carrier, silently; `type` is the entry's (hide, extract) or kType
//   CarrierType type() const;             the type found (count may refine it)
//   uint32_t leadIn() const;  uint32_t spacing() const;   (1 when units are value-tested)
//   uint64_t allUnits() const;            units of the format's own kind, used or not
//   template <class Pass> bool walk(Pass& pass, platform::File* dst);
//       hands every unit in order to the pass (visit or block); for hide and mark writes the
//       whole target to dst. False after a message shown through the context, or on a stop.
// and, where count needs no walk (the header tells the units, as a PNG's does):
//   bool countUnits(uint64_t& units);     count's units without a pass
// or, where one pass cannot tell the type before the units are seen (grey bitmaps), both:
//   bool countUnits(uint64_t& units);     count's pass, which also settles type()
//   bool classify();                      mark and check settle type() before their walk
// and, where hide codes data afresh (runs, deflate, stuffed entropy bytes), so that the target's
// length may differ from the source's:
//   static constexpr bool kCodesTarget = true;
#include <concepts>

#include "carriers/common/contract.h"
#include "carriers/common/operation.h"
#include "carriers/common/unit_passes.h"

namespace murl {

template <class F>
concept CountsWithoutPass = requires(F format, uint64_t& units) {
  { format.countUnits(units) } -> std::same_as<bool>;
};

template <class F>
concept CodesTarget = F::kCodesTarget;

template <class F>
concept ClassifiesWhileCounting = CountsWithoutPass<F> && requires(F format) {
  { format.classify() } -> std::same_as<bool>;
};

namespace format_ops {

inline double share(uint64_t changed, uint64_t all) {
  return all == 0 ? 0.0 : static_cast<double>(changed) * 100.0 / static_cast<double>(all);
}

template <class F>
bool count(const OperationContext& context, platform::File& src, const CarrierRegion& region,
           IdentificationRecord& record) {
  F format(context);
  if (!format.open(src, region, F::kType)) return false;
  uint64_t units = 0;
  if constexpr (CountsWithoutPass<F>) {
    if (!format.countUnits(units)) return false;
  } else {
    UnitCounter counter;
    if (!format.walk(counter, nullptr)) return false;
    units = counter.units();
  }
  const uint32_t bits = carrierBitsOf(units, format.leadIn(), format.spacing());
  if (bits == 0) return false;
  record.type = format.type();
  record.carrierBits = bits;
  record.rejected = false;
  return true;
}

template <class F, class Bits>
bool write(const OperationContext& context, F& format, Bits& bits, platform::File& dst,
           bool mustFill, double& percentage) {
  UnitWriter<Bits> writer(bits, format.leadIn(), format.spacing());
  if (!format.walk(writer, &dst)) return false;
  // The source no longer holds the units it was counted with.
  if (mustFill && !writer.complete()) return context.wrongBits();
  percentage = share(writer.changed(), format.allUnits());
  return true;
}

template <class F>
bool hide(const OperationContext& context, platform::File& src, platform::File& dst,
          const CarrierRegion& region, CarrierType type, const StreamShare& share,
          const HideJob& job, double& percentage) {
  F format(context);
  if (!format.open(src, region, type)) return context.readFailed();
  ChunkSource bits(context.workspace, *job.stream, share, job.trailer);
  if (!write(context, format, bits, dst, true, percentage)) return false;
  if (job.written) job.written->push_back(bits.record());
  return true;
}

template <class F>
bool read(const OperationContext& context, platform::File& src, const CarrierRegion& region,
          CarrierType type, uint32_t carrierBits, UnitBitSink& sink) {
  F format(context);
  if (!format.open(src, region, type)) return context.readFailed();
  if constexpr (ClassifiesWhileCounting<F>) {
    if (context.operation == Operation::kCheck && !format.classify()) return false;
  }
  UnitReader reader(sink, format.leadIn(), carrierBits, format.spacing());
  if (!format.walk(reader, nullptr) || !reader.finish()) return false;
  return reader.complete() || context.wrongBits();
}

template <class F>
bool mark(const OperationContext& context, platform::File& src, platform::File& dst,
          const MarkField& mark, double& percentage) {
  F format(context);
  if (!format.open(src, CarrierRegion::wholeFile(src), F::kType)) return context.readFailed();
  if constexpr (ClassifiesWhileCounting<F>) {
    if (!format.classify()) return false;
  }
  MarkBitSource bits(mark);
  return write(context, format, bits, dst, false, percentage);
}

}  // namespace format_ops

// The handler of a format that keeps to the skeleton whole.
template <class F>
class FormatHandler final : public CarrierHandler {
 public:
  bool count(platform::File& src, IdentificationRecord& record,
             Workspace& workspace) const override {
    return format_ops::count<F>({workspace, Operation::kCount}, src, CarrierRegion::wholeFile(src),
                                record);
  }
  bool hide(platform::File& src, platform::File& dst, const CarrierEntry& entry,
            const StreamShare& share, const HideJob& job, Workspace& workspace,
            double& percentage) const override {
    return format_ops::hide<F>({workspace, Operation::kHide}, src, dst,
                               CarrierRegion::wholeFile(src), entry.type, share, job, percentage);
  }
  bool extract(platform::File& src, const CarrierEntry& entry, UnitBitSink& sink,
               Workspace& workspace) const override {
    return format_ops::read<F>({workspace, Operation::kExtract}, src, CarrierRegion::wholeFile(src),
                               entry.type, entry.carrierBits, sink);
  }
  bool mark(platform::File& src, platform::File& dst, const MarkField& mark, Workspace& workspace,
            double& percentage) const override {
    return format_ops::mark<F>({workspace, Operation::kMark}, src, dst, mark, percentage);
  }
  bool check(platform::File& src, uint32_t carrierBits, CheckCollector& collector,
             Workspace& workspace) const override {
    return format_ops::read<F>({workspace, Operation::kCheck}, src, CarrierRegion::wholeFile(src),
                               F::kType, carrierBits, collector);
  }
  bool writesTargetInOneSweep() const override { return !CodesTarget<F>; }
};

}  // namespace murl
