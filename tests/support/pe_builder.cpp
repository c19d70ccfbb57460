#include "support/pe_builder.h"

#include <algorithm>

#include "platform/byte_order.h"
#include "support/bmp_builder.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

constexpr size_t kPeAt = 0x40;
constexpr size_t kSectionAt = 0x400;  // after the headers and a .text section of 0x200 bytes
constexpr uint32_t kVirtualAddress = 0x2000;
constexpr uint32_t kTopBit = 0x80000000;

size_t alignUp(size_t value, size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

bool sameType(const PeResource& a, const PeResource& b) {
  return a.typeName == b.typeName && (!a.typeName.empty() || a.typeId == b.typeId);
}

// Each type's resources (indexes into the shape's list): runs of the same type.
std::vector<std::vector<size_t>> groupTypes(const PeShape& shape) {
  std::vector<std::vector<size_t>> groups;
  for (size_t i = 0; i < shape.resources.size(); ++i) {
    if (i == 0 || !sameType(shape.resources[i - 1], shape.resources[i])) groups.emplace_back();
    groups.back().push_back(i);
  }
  return groups;
}

// A directory table of `named` and `ids` entries at `at`.
void putTable(std::vector<uint8_t>& s, size_t at, size_t named, size_t ids) {
  storeLe16(&s[at + 12], static_cast<uint16_t>(named));
  storeLe16(&s[at + 14], static_cast<uint16_t>(ids));
}
void putEntry(std::vector<uint8_t>& s, size_t at, uint32_t name, uint32_t offset) {
  storeLe32(&s[at], name);
  storeLe32(&s[at + 4], offset);
}

// The resource section, laid out as type tables, name tables, language tables, data entries,
// type names, then the data; the module's offsets are noted as the section lands at kSectionAt.
std::vector<uint8_t> buildSection(const PeShape& shape, PeModule& m) {
  const auto groups = groupTypes(shape);
  const size_t count = shape.resources.size();
  size_t at = 16 + 8 * groups.size();
  std::vector<size_t> typeTableAt, nameAt, languageAt(count), entryAt(count), dataAt(count);
  for (const auto& g : groups) typeTableAt.push_back(at), at += 16 + 8 * g.size();
  for (size_t i = 0; i < count; ++i) languageAt[i] = at, at += 16 + 8;
  for (size_t i = 0; i < count; ++i) entryAt[i] = at, at += 16;
  for (const auto& g : groups) {
    nameAt.push_back(at);
    at = alignUp(at + 2 + 2 * shape.resources[g[0]].typeName.size(), 4);
  }
  for (size_t k = 0; k < count; ++k) {
    const size_t i = shape.reverseData ? count - 1 - k : k;
    dataAt[i] = at = alignUp(at, 8);
    at += shape.resources[i].data.size();
  }
  std::vector<uint8_t> s(at, 0);
  const size_t named = std::count_if(groups.begin(), groups.end(), [&](const auto& g) {
    return !shape.resources[g[0]].typeName.empty();
  });
  putTable(s, 0, named, groups.size() - named);
  for (size_t t = 0; t < groups.size(); ++t) {
    const PeResource& type = shape.resources[groups[t][0]];
    const uint32_t key = type.typeName.empty() ? type.typeId : kTopBit | uint32_t(nameAt[t]);
    putEntry(s, 16 + 8 * t, key, kTopBit | uint32_t(typeTableAt[t]));
    m.rootEntryAt.push_back(kSectionAt + 16 + 8 * t);
    putTable(s, typeTableAt[t], 0, groups[t].size());
    for (size_t n = 0; n < groups[t].size(); ++n) {
      const size_t i = groups[t][n];
      putEntry(s, typeTableAt[t] + 16 + 8 * n, shape.resources[i].id,
               kTopBit | uint32_t(languageAt[i]));
    }
    storeLe16(&s[nameAt[t]], static_cast<uint16_t>(type.typeName.size()));
    for (size_t c = 0; c < type.typeName.size(); ++c)
      storeLe16(&s[nameAt[t] + 2 + 2 * c], static_cast<uint16_t>(type.typeName[c]));
  }
  for (size_t i = 0; i < count; ++i) {
    const std::vector<uint8_t>& data = shape.resources[i].data;
    putTable(s, languageAt[i], 0, 1);
    putEntry(s, languageAt[i] + 16, 0x409, uint32_t(entryAt[i]));
    putEntry(s, entryAt[i], kVirtualAddress + uint32_t(dataAt[i]), uint32_t(data.size()));
    std::copy(data.begin(), data.end(), s.begin() + static_cast<std::ptrdiff_t>(dataAt[i]));
    m.languageEntryAt.push_back(kSectionAt + languageAt[i] + 16);
    m.dataEntryAt.push_back(kSectionAt + entryAt[i]);
    m.dataAt.push_back(kSectionAt + dataAt[i]);
  }
  return s;
}

void putSectionHeader(std::vector<uint8_t>& b, size_t at, const std::string& name, uint32_t size,
                      uint32_t virtualAddress, uint32_t rawAt) {
  std::copy_n(name.begin(), std::min<size_t>(name.size(), 8), b.begin() + at);
  storeLe32(&b[at + 8], size);
  storeLe32(&b[at + 12], virtualAddress);
  storeLe32(&b[at + 16], size);
  storeLe32(&b[at + 20], rawAt);
}

}  // namespace

PeModule buildPe(const PeShape& shape) {
  PeModule m;
  m.sectionAt = kSectionAt;
  const std::vector<uint8_t> section = buildSection(shape, m);
  std::vector<uint8_t>& b = m.bytes;
  b.assign(kSectionAt, 0);
  b[0] = 'M';
  b[1] = 'Z';
  storeLe32(&b[60], kPeAt);
  std::copy_n("PE\0\0", 4, b.begin() + kPeAt);
  storeLe16(&b[kPeAt + 4], shape.wide ? 0x8664 : 0x14C);
  storeLe16(&b[kPeAt + 6], 2);  // sections
  const uint16_t optionalSize = shape.wide ? 240 : 224;
  storeLe16(&b[kPeAt + 20], optionalSize);
  storeLe16(&b[kPeAt + 24], shape.wide ? 0x20B : 0x10B);
  const size_t table = kPeAt + 24 + optionalSize;
  putSectionHeader(b, table, ".text", 0x200, 0x1000, 0x200);
  std::fill(b.begin() + 0x200, b.end(), 0xC3);
  m.sectionHeaderAt = table + 40;
  putSectionHeader(b, m.sectionHeaderAt, shape.sectionName, uint32_t(section.size()),
                   kVirtualAddress, kSectionAt);
  b.insert(b.end(), section.begin(), section.end());
  return m;
}

std::vector<uint8_t> bitmapResource(int32_t width, int32_t height, uint16_t bitCount) {
  BmpShape shape{.width = width, .height = height, .bitCount = bitCount, .fileHeader = false};
  if (bitCount == 8) shape.gapBytes = 256 * 4;  // the palette
  return buildBmp(shape, noisyPixel);
}

std::vector<uint8_t> waveResource(size_t samples) {
  WavShape shape;
  shape.samples = soundSamples(samples, samples * 9 / 10, 257, 1);
  return buildWav(shape);
}

}  // namespace murl::test
