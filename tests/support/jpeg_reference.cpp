#include "support/jpeg_reference.h"

#include <algorithm>
#include <map>
#include <utility>

namespace murl::test {
namespace {

using Table = std::map<std::pair<uint32_t, uint32_t>, uint8_t>;  // (length, code) -> symbol

struct Component {
  uint8_t id, h, v;
};

class Reader {
 public:
  Reader(const std::vector<uint8_t>& file, ReferenceWalk& walk) : file_(file), walk_(walk) {}

  bool bit(uint32_t& b) {
    auto& segment = walk_.segments.back();
    if (bit_ == 8 * segment.size()) {
      if (pos_ >= file_.size()) return false;
      const uint8_t byte = file_[pos_];
      if (byte == 0xFF && (pos_ + 1 >= file_.size() || file_[pos_ + 1] != 0)) return false;
      segment.push_back(byte);
      pos_ += byte == 0xFF ? 2 : 1;
    }
    b = (segment[bit_ / 8] >> (7 - bit_ % 8)) & 1;
    ++bit_;
    return true;
  }
  bool bits(uint32_t n, uint32_t& value) {
    value = 0;
    for (uint32_t i = 0; i < n; ++i) {
      uint32_t b;
      if (!bit(b)) return false;
      value = value << 1 | b;
    }
    return true;
  }
  bool decode(const Table& table, uint32_t& symbol) {
    uint32_t code = 0;
    for (uint32_t length = 1; length <= 16; ++length) {
      uint32_t b;
      if (!bit(b)) return false;
      code = code << 1 | b;
      auto found = table.find({length, code});
      if (found != table.end()) return symbol = found->second, true;
    }
    return false;
  }
  // Reads bytes up to the next marker, keeping them in the segment; true when there is one.
  bool toMarker() {
    auto& segment = walk_.segments.back();
    for (;;) {
      if (pos_ + 1 >= file_.size()) return false;
      if (file_[pos_] == 0xFF && file_[pos_ + 1] != 0) return true;
      segment.push_back(file_[pos_]);
      pos_ += file_[pos_] == 0xFF ? 2 : 1;
    }
  }
  void startSegment() {
    walk_.segments.emplace_back();
    bit_ = 0;
  }
  size_t& pos() { return pos_; }
  uint64_t bitIndex() const { return bit_; }

 private:
  const std::vector<uint8_t>& file_;
  ReferenceWalk& walk_;
  size_t pos_ = 0;
  uint64_t bit_ = 0;
};

bool walkBlock(Reader& r, const Table& dc, const Table& ac, uint8_t level, ReferenceWalk& walk) {
  uint32_t s, extra;
  if (!r.decode(dc, s) || !r.bits(s, extra)) return false;
  for (uint32_t k = 0; k < 63;) {
    if (!r.decode(ac, s)) return false;
    if (s == 0) return true;
    k += (s >> 4) + 1;
    if (k > 63) return false;
    const uint32_t size = s & 15;
    if (!r.bits(size, extra)) return false;
    if (size > level + 1u) {
      walk.units.push_back(
          {walk.segments.size() - 1, r.bitIndex() - 1, static_cast<uint8_t>(extra & 1)});
    }
  }
  return true;
}

}  // namespace

ReferenceWalk referenceWalk(const std::vector<uint8_t>& file, uint8_t level) {
  ReferenceWalk walk;
  Reader r(file, walk);
  std::map<uint32_t, Table> tables;
  std::vector<Component> frame;
  uint32_t maxH = 1, maxV = 1, interval = 0;
  if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8) return walk;
  walk.outside = {0xFF, 0xD8};
  size_t& pos = r.pos();
  pos = 2;
  while (pos + 2 <= file.size()) {
    const uint32_t marker = file[pos] << 8 | file[pos + 1];
    if (marker == 0xFFD9) {
      walk.outside.insert(walk.outside.end(), file.begin() + pos, file.end());
      walk.ok = true;
      return walk;
    }
    if ((marker >= 0xFFD0 && marker <= 0xFFD8) || marker < 0xFF02 || pos + 4 > file.size()) {
      return walk;
    }
    const size_t length = file[pos + 2] << 8 | file[pos + 3];
    if (pos + 2 + length > file.size()) return walk;
    const uint8_t* p = &file[pos + 4];
    walk.outside.insert(walk.outside.end(), file.begin() + pos, file.begin() + pos + 2 + length);
    pos += 2 + length;
    if (marker == 0xFFC0) {
      walk.height = static_cast<uint16_t>(p[1] << 8 | p[2]);
      walk.width = static_cast<uint16_t>(p[3] << 8 | p[4]);
      for (uint32_t c = 0; c < p[5]; ++c) {
        frame.push_back({p[6 + 3 * c], static_cast<uint8_t>(p[7 + 3 * c] >> 4),
                         static_cast<uint8_t>(p[7 + 3 * c] & 15)});
        maxH = std::max<uint32_t>(maxH, frame.back().h);
        maxV = std::max<uint32_t>(maxV, frame.back().v);
      }
    } else if (marker == 0xFFC4) {
      for (const uint8_t* t = p; t < p + length - 2;) {
        Table& table = tables[t[0]];
        table.clear();
        uint32_t code = 0;
        const uint8_t* symbol = t + 17;
        for (uint32_t len = 1; len <= 16; ++len, code <<= 1) {
          for (uint32_t i = 0; i < t[len]; ++i) table[{len, code++}] = *symbol++;
        }
        t = symbol;
      }
    } else if (marker == 0xFFDD) {
      interval = p[0] << 8 | p[1];
    } else if (marker == 0xFFDA) {
      std::vector<std::pair<const Component*, uint8_t>> scan;
      for (uint32_t i = 0; i < p[0]; ++i) {
        auto c = std::find_if(frame.begin(), frame.end(),
                              [&](const Component& f) { return f.id == p[1 + 2 * i]; });
        scan.push_back({&*c, p[2 + 2 * i]});
      }
      // The blocks of each MCU: every scan component's h x v blocks, or one block alone.
      std::vector<std::pair<uint32_t, uint32_t>> blocks;
      uint64_t mcus;
      if (scan.size() == 1) {
        const uint64_t wide = (uint64_t{walk.width} * scan[0].first->h + maxH - 1) / maxH;
        const uint64_t high = (uint64_t{walk.height} * scan[0].first->v + maxV - 1) / maxV;
        mcus = ((wide + 7) / 8) * ((high + 7) / 8);
        blocks.push_back({scan[0].second >> 4u, 16u + (scan[0].second & 15u)});
      } else {
        mcus = ((walk.width + 8 * maxH - 1) / (8 * maxH)) *
               ((walk.height + 8 * maxV - 1) / (8 * maxV));
        for (auto [c, t] : scan) {
          for (uint32_t b = 0; b < uint32_t{c->h} * c->v; ++b)
            blocks.push_back({t >> 4u, 16u + (t & 15u)});
        }
      }
      r.startSegment();
      for (uint64_t mcu = 0; mcu < mcus; ++mcu) {
        if (interval != 0 && mcu != 0 && mcu % interval == 0) {
          if (!r.toMarker() || file[pos + 1] != 0xD0 + (mcu / interval - 1) % 8) return walk;
          walk.outside.insert(walk.outside.end(), {0xFF, file[pos + 1]});
          pos += 2;
          r.startSegment();
        }
        for (auto [dc, ac] : blocks) {
          if (!walkBlock(r, tables[dc], tables[ac], level, walk)) return walk;
        }
      }
      if (!r.toMarker()) return walk;
    }
  }
  return walk;
}

}  // namespace murl::test
