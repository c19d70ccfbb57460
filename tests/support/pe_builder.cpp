#include "support/pe_builder.h"

#include <algorithm>

#include "platform/byte_order.h"
#include "support/bmp_builder.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

constexpr size_t kPeAt = 0x40;
constexpr size_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kTopBit = 0x80000000;

size_t alignUp(size_t value, size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// A resource type: its key (id, or name) and the resources of that type, by id.
struct TypeGroup {
  const PeResource* first = nullptr;
  std::vector<size_t> members;  // indexes into the shape's list
};

bool sameType(const PeResource& a, const PeResource& b) {
  return a.typeName == b.typeName && (!a.typeName.empty() || a.typeId == b.typeId);
}

// Named types first, then ids, as module directories store them; each group's names by id.
std::vector<TypeGroup> groupTypes(const PeShape& shape) {
  std::vector<TypeGroup> groups;
  for (size_t i = 0; i < shape.resources.size(); ++i) {
    const PeResource& r = shape.resources[i];
    auto group = std::find_if(groups.begin(), groups.end(),
                              [&](const TypeGroup& g) { return sameType(*g.first, r); });
    if (group == groups.end()) group = groups.insert(groups.end(), TypeGroup{&r, {}});
    group->members.push_back(i);
  }
  std::stable_partition(groups.begin(), groups.end(),
                        [](const TypeGroup& g) { return !g.first->typeName.empty(); });
  for (TypeGroup& g : groups) {
    std::stable_sort(g.members.begin(), g.members.end(), [&](size_t a, size_t b) {
      return shape.resources[a].id < shape.resources[b].id;
    });
  }
  return groups;
}

void putTable(std::vector<uint8_t>& s, size_t at, uint16_t named, uint16_t ids) {
  storeLe16(s.data() + at + 12, named);
  storeLe16(s.data() + at + 14, ids);
}

void putEntry(std::vector<uint8_t>& s, size_t at, uint32_t name, uint32_t offset) {
  storeLe32(s.data() + at, name);
  storeLe32(s.data() + at + 4, offset);
}

// The resource section's bytes, laid out as type tables, name tables, language tables, data
// entries, type names, then the data. Positions are relative to the section.
std::vector<uint8_t> buildSection(const PeShape& shape, uint32_t virtualAddress, PeModule& m,
                                  size_t sectionAt) {
  const std::vector<TypeGroup> groups = groupTypes(shape);
  const size_t count = shape.resources.size();
  size_t at = 16 + 8 * groups.size();
  std::vector<size_t> typeTableAt;
  for (const TypeGroup& g : groups) typeTableAt.push_back(at), at += 16 + 8 * g.members.size();
  std::vector<size_t> languageAt(count), dataEntryAt(count);
  for (size_t i = 0; i < count; ++i) languageAt[i] = at, at += 16 + 8;
  for (size_t i = 0; i < count; ++i) dataEntryAt[i] = at, at += 16;
  std::vector<size_t> nameAt;
  for (const TypeGroup& g : groups) {
    nameAt.push_back(at);
    if (!g.first->typeName.empty()) at = alignUp(at + 2 + 2 * g.first->typeName.size(), 4);
  }
  std::vector<size_t> dataAt(count);
  for (size_t k = 0; k < count; ++k) {
    const size_t i = shape.reverseData ? count - 1 - k : k;
    at = alignUp(at, shape.dataAlignment);
    dataAt[i] = at;
    at += shape.resources[i].data.size();
  }
  std::vector<uint8_t> s(at, 0);
  const uint16_t namedTypes = static_cast<uint16_t>(std::count_if(
      groups.begin(), groups.end(), [](const TypeGroup& g) { return !g.first->typeName.empty(); }));
  putTable(s, 0, namedTypes, static_cast<uint16_t>(groups.size() - namedTypes));
  for (size_t t = 0; t < groups.size(); ++t) {
    const PeResource& type = *groups[t].first;
    const uint32_t key = type.typeName.empty() ? type.typeId : kTopBit | uint32_t(nameAt[t]);
    putEntry(s, 16 + 8 * t, key, kTopBit | uint32_t(typeTableAt[t]));
    m.rootEntryAt.push_back(sectionAt + 16 + 8 * t);
    putTable(s, typeTableAt[t], 0, static_cast<uint16_t>(groups[t].members.size()));
    for (size_t n = 0; n < groups[t].members.size(); ++n) {
      const size_t i = groups[t].members[n];
      putEntry(s, typeTableAt[t] + 16 + 8 * n, shape.resources[i].id,
               kTopBit | uint32_t(languageAt[i]));
    }
    if (!type.typeName.empty()) {
      storeLe16(s.data() + nameAt[t], static_cast<uint16_t>(type.typeName.size()));
      for (size_t c = 0; c < type.typeName.size(); ++c)
        storeLe16(s.data() + nameAt[t] + 2 + 2 * c, static_cast<uint16_t>(type.typeName[c]));
    }
  }
  for (size_t i = 0; i < count; ++i) {
    putTable(s, languageAt[i], 0, 1);
    putEntry(s, languageAt[i] + 16, 0x409, uint32_t(dataEntryAt[i]));
    storeLe32(s.data() + dataEntryAt[i], virtualAddress + uint32_t(dataAt[i]));
    storeLe32(s.data() + dataEntryAt[i] + 4, uint32_t(shape.resources[i].data.size()));
    std::copy(shape.resources[i].data.begin(), shape.resources[i].data.end(),
              s.begin() + static_cast<std::ptrdiff_t>(dataAt[i]));
    m.languageEntryAt.push_back(sectionAt + languageAt[i] + 16);
    m.dataEntryAt.push_back(sectionAt + dataEntryAt[i]);
    m.dataAt.push_back(sectionAt + dataAt[i]);
  }
  return s;
}

void putSectionHeader(std::vector<uint8_t>& b, size_t at, const std::string& name,
                      uint32_t virtualSize, uint32_t virtualAddress, uint32_t rawSize,
                      uint32_t rawAt, uint32_t characteristics) {
  std::copy_n(name.begin(), std::min<size_t>(name.size(), 8), b.begin() + at);
  storeLe32(b.data() + at + 8, virtualSize);
  storeLe32(b.data() + at + 12, virtualAddress);
  storeLe32(b.data() + at + 16, rawSize);
  storeLe32(b.data() + at + 20, rawAt);
  storeLe32(b.data() + at + 36, characteristics);
}

// The optional header's fields other readers look at: magic, alignments, image and header
// sizes, subsystem and the resource table's entry in the data directory.
void putOptionalHeader(std::vector<uint8_t>& b, size_t at, bool wide, uint32_t imageSize,
                       uint32_t rsrcAddress, uint32_t rsrcSize) {
  storeLe16(b.data() + at, wide ? 0x20B : 0x10B);
  if (!wide) storeLe32(b.data() + at + 28, 0x10000000);  // image base
  if (wide) storeLe32(b.data() + at + 24, 0x10000000);
  storeLe32(b.data() + at + 32, kSectionAlignment);
  storeLe32(b.data() + at + 36, kFileAlignment);
  storeLe16(b.data() + at + 40, 4);  // operating system version
  storeLe16(b.data() + at + 48, 4);  // subsystem version
  storeLe32(b.data() + at + 56, imageSize);
  storeLe32(b.data() + at + 60, kFileAlignment);  // size of headers
  storeLe16(b.data() + at + 68, 2);               // a windowed program
  const size_t directory = at + (wide ? 112 : 96);
  storeLe32(b.data() + directory - 4, 16);  // number of directory entries
  storeLe32(b.data() + directory + 8 * 2, rsrcAddress);
  storeLe32(b.data() + directory + 8 * 2 + 4, rsrcSize);
}

}  // namespace

PeModule buildPe(const PeShape& shape) {
  PeModule m;
  const uint16_t optionalSize = shape.wide ? 240 : 224;
  const uint16_t sections = shape.textSection ? 2 : 1;
  const size_t sectionTableAt = kPeAt + 24 + optionalSize;
  const uint32_t rsrcAddress = shape.textSection ? 2 * kSectionAlignment : kSectionAlignment;
  m.sectionAt = shape.textSection ? 2 * kFileAlignment : kFileAlignment;
  m.sectionVirtualAddress = rsrcAddress;
  const std::vector<uint8_t> section = buildSection(shape, rsrcAddress, m, m.sectionAt);
  const uint32_t rsrcSize = static_cast<uint32_t>(section.size());
  std::vector<uint8_t>& b = m.bytes;
  b.assign(m.sectionAt, 0);
  b[0] = 'M';
  b[1] = 'Z';
  storeLe32(b.data() + 60, kPeAt);
  std::copy_n("PE\0\0", 4, b.begin() + kPeAt);
  storeLe16(b.data() + kPeAt + 4, shape.wide ? 0x8664 : 0x14C);
  storeLe16(b.data() + kPeAt + 6, sections);
  storeLe16(b.data() + kPeAt + 20, optionalSize);
  storeLe16(b.data() + kPeAt + 22, shape.wide ? 0x2022 : 0x2102);  // a library
  const uint32_t imageSize =
      rsrcAddress + static_cast<uint32_t>(alignUp(rsrcSize, kSectionAlignment));
  putOptionalHeader(b, kPeAt + 24, shape.wide, imageSize, rsrcAddress, rsrcSize);
  size_t header = sectionTableAt;
  if (shape.textSection) {
    putSectionHeader(b, header, ".text", 0x10, kSectionAlignment, kFileAlignment, kFileAlignment,
                     0x60000020);
    for (size_t i = kFileAlignment; i < 2 * kFileAlignment; ++i) b[i] = 0xC3;
    header += 40;
  }
  m.sectionHeaderAt = header;
  putSectionHeader(b, header, shape.sectionName, rsrcSize, rsrcAddress, rsrcSize,
                   static_cast<uint32_t>(m.sectionAt), 0x40000040);
  b.insert(b.end(), section.begin(), section.end());
  return m;
}

std::vector<uint8_t> bitmapResource(int32_t width, int32_t height, uint16_t bitCount) {
  BmpShape shape{.width = width, .height = height, .bitCount = bitCount, .fileHeader = false};
  if (bitCount == 8) shape.gapBytes = 256 * 4;  // the palette
  return buildBmp(shape, noisyPixel);
}

std::vector<uint8_t> waveResource(size_t samples, uint32_t seed) {
  WavShape shape;
  shape.samples = soundSamples(samples, samples * 9 / 10, 257, seed);
  return buildWav(shape);
}

}  // namespace murl::test
