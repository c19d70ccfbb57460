#include "support/pe_builder.h"

#include <algorithm>

#include "support/bmp_builder.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

constexpr size_t kPeAt = 0x40;
constexpr size_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kTopBit = 0x80000000;

void putLe16At(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

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
  putLe16At(s, at + 12, named);
  putLe16At(s, at + 14, ids);
}

void putEntry(std::vector<uint8_t>& s, size_t at, uint32_t name, uint32_t offset) {
  putLe32At(s, at, name);
  putLe32At(s, at + 4, offset);
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
      putLe16At(s, nameAt[t], static_cast<uint16_t>(type.typeName.size()));
      for (size_t c = 0; c < type.typeName.size(); ++c)
        putLe16At(s, nameAt[t] + 2 + 2 * c, static_cast<uint16_t>(type.typeName[c]));
    }
  }
  for (size_t i = 0; i < count; ++i) {
    putTable(s, languageAt[i], 0, 1);
    putEntry(s, languageAt[i] + 16, 0x409, uint32_t(dataEntryAt[i]));
    putLe32At(s, dataEntryAt[i], virtualAddress + uint32_t(dataAt[i]));
    putLe32At(s, dataEntryAt[i] + 4, uint32_t(shape.resources[i].data.size()));
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
  putLe32At(b, at + 8, virtualSize);
  putLe32At(b, at + 12, virtualAddress);
  putLe32At(b, at + 16, rawSize);
  putLe32At(b, at + 20, rawAt);
  putLe32At(b, at + 36, characteristics);
}

// The optional header's fields other readers look at: magic, alignments, image and header
// sizes, subsystem and the resource table's entry in the data directory.
void putOptionalHeader(std::vector<uint8_t>& b, size_t at, bool wide, uint32_t imageSize,
                       uint32_t rsrcAddress, uint32_t rsrcSize) {
  putLe16At(b, at, wide ? 0x20B : 0x10B);
  if (!wide) putLe32At(b, at + 28, 0x10000000);  // image base
  if (wide) putLe32At(b, at + 24, 0x10000000);
  putLe32At(b, at + 32, kSectionAlignment);
  putLe32At(b, at + 36, kFileAlignment);
  putLe16At(b, at + 40, 4);  // operating system version
  putLe16At(b, at + 48, 4);  // subsystem version
  putLe32At(b, at + 56, imageSize);
  putLe32At(b, at + 60, kFileAlignment);  // size of headers
  putLe16At(b, at + 68, 2);               // a windowed program
  const size_t directory = at + (wide ? 112 : 96);
  putLe32At(b, directory - 4, 16);  // number of directory entries
  putLe32At(b, directory + 8 * 2, rsrcAddress);
  putLe32At(b, directory + 8 * 2 + 4, rsrcSize);
}

}  // namespace

void putLe32At(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

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
  putLe32At(b, 60, kPeAt);
  std::copy_n("PE\0\0", 4, b.begin() + kPeAt);
  putLe16At(b, kPeAt + 4, shape.wide ? 0x8664 : 0x14C);
  putLe16At(b, kPeAt + 6, sections);
  putLe16At(b, kPeAt + 20, optionalSize);
  putLe16At(b, kPeAt + 22, shape.wide ? 0x2022 : 0x2102);  // a library
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
