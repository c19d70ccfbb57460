#pragma once
// Windows PE modules for the module carrier tests, built byte by byte: DOS header, PE header, a
// ".text" section and a resource section holding the given resources. The builder reports where
// each structure landed, so tests can plant defects with byte edits.
#include <cstdint>
#include <string>
#include <vector>

namespace murl::test {

struct PeResource {
  uint32_t typeId = 2;      // used when typeName is empty; 2 is a bitmap
  std::u16string typeName;  // a named type, such as u"MYWAVES"
  uint16_t id = 1;
  std::vector<uint8_t> data;
};

struct PeShape {
  // In directory order: named types first, each type's resources together, ids ascending.
  std::vector<PeResource> resources;
  bool wide = false;  // the optional header of PE32+ (64-bit) instead of PE32
  std::string sectionName = ".rsrc";
  bool reverseData = false;  // resource data laid out in the reverse of the list's order
};

struct PeModule {
  std::vector<uint8_t> bytes;
  size_t sectionHeaderAt = 0;           // the resource section's header in the section table
  size_t sectionAt = 0;                 // the resource section's raw data
  std::vector<size_t> rootEntryAt;      // each root (type) entry, in directory order
  std::vector<size_t> languageEntryAt;  // each resource's first language entry, list order
  std::vector<size_t> dataEntryAt;      // each resource's data entry, in the list's order
  std::vector<size_t> dataAt;           // each resource's data, in the list's order
};

// The section ends with the last resource byte, which is also the file's last byte.
PeModule buildPe(const PeShape& shape);

// Resource data of a 24-bit bitmap of `width` x `height` noisy pixels (no file header), or of
// an 8-bit one with its palette.
std::vector<uint8_t> bitmapResource(int32_t width, int32_t height, uint16_t bitCount = 24);
// Resource data of a mono 16-bit wave of `samples` samples, most loud enough for level 3.
std::vector<uint8_t> waveResource(size_t samples);

}  // namespace murl::test
