#include "carriers/pe/resource_directory.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"

namespace murl::pe {
namespace {

constexpr uint64_t kDosHeaderSize = 64;
constexpr uint64_t kPeHeadSize = 4 + 20;  // signature and file header
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint32_t kTableSize = 16;
constexpr uint32_t kEntrySize = 8;
constexpr uint32_t kDataEntrySize = 16;
constexpr uint32_t kTopBit = 0x80000000;
constexpr uint32_t kBitmapType = 2;
constexpr size_t kMinNameChars = 3;

bool readAt(platform::File& src, uint64_t at, void* out, size_t size) {
  return src.seek(at) && src.readExact(out, size);
}

// The resource section's bytes in the file (its raw size, cut at the end of the file) and the
// virtual address its data entries count from.
struct Section {
  uint64_t start = 0;
  uint64_t size = 0;
  uint32_t virtualAddress = 0;
};

bool findResourceSection(platform::File& src, uint64_t fileSize, Section& section) {
  uint8_t dos[kDosHeaderSize];
  if (fileSize < kDosHeaderSize || !readAt(src, 0, dos, sizeof dos) || loadLe16(dos) != 0x5A4D) {
    return false;
  }
  const uint32_t peAt = loadLe32(dos + 60);
  uint8_t head[kPeHeadSize];
  if (peAt > fileSize || !readAt(src, peAt, head, sizeof head) ||
      std::memcmp(head, "PE\0\0", 4) != 0) {
    return false;
  }
  const uint16_t sections = loadLe16(head + 4 + 2);
  const uint16_t optionalHeaderSize = loadLe16(head + 4 + 16);
  uint64_t at = uint64_t{peAt} + kPeHeadSize + optionalHeaderSize;
  for (uint32_t i = 0; i < sections; ++i, at += kSectionHeaderSize) {
    uint8_t header[kSectionHeaderSize];
    if (!readAt(src, at, header, sizeof header)) return false;
    if (std::memcmp(header, ".rsrc\0\0\0", 8) != 0) continue;
    const uint32_t raw = loadLe32(header + 20);
    if (raw > fileSize) return false;
    section = {raw, std::min<uint64_t>(loadLe32(header + 16), fileSize - raw),
               loadLe32(header + 12)};
    return true;
  }
  return false;
}

struct Entry {
  uint32_t name = 0;    // an integer ID, or with the top bit a name's offset
  uint32_t offset = 0;  // with the top bit a subdirectory's offset, else a data entry's
};

// Type -> name -> language -> data entry, exactly three directory levels deep, so a directory
// that points back up is met where a data entry must be and refused. Every table, entry and type
// name read is paid for from a budget of the section's size: a well-formed tree, whose tables
// and names each occupy bytes of their own, never runs out, while pieces shared among many
// parents do, so the walk's work stays within the section's size.
class DirectoryWalk {
 public:
  DirectoryWalk(const OperationContext& context, platform::File& src, const Section& section,
                uint64_t fileSize)
      : context_(context),
        src_(src),
        section_(section),
        fileSize_(fileSize),
        budget_(section.size / kEntrySize) {}

  bool run(std::vector<ResourceSpan>& found) {
    std::vector<Entry> types;
    if (!readDirectory(0, UINT32_MAX, types) || types.empty()) return false;
    for (const Entry& type : types) {
      if (context_.stopped()) return false;
      ResourceKind kind;
      bool taken = false;
      if (!kindOf(type, taken, kind)) return false;
      if (taken && !readType(type, kind, found)) return false;
    }
    return !found.empty();
  }

 private:
  // Bytes [at, at + size) of the section.
  bool readSection(uint64_t at, uint64_t size, void* out) {
    return at <= section_.size && size <= section_.size - at &&
           readAt(src_, section_.start + at, out, static_cast<size_t>(size));
  }

  // Charges `slots` entry-sized pieces of the section read; false once the section is spent.
  bool pay(uint64_t slots) {
    if (slots > budget_) return false;
    budget_ -= slots;
    return true;
  }

  // The table at `at` and up to `most` of its entries.
  bool readDirectory(uint32_t at, uint32_t most, std::vector<Entry>& entries) {
    uint8_t table[kTableSize];
    if (!readSection(at, kTableSize, table)) return false;
    const uint32_t count = std::min<uint32_t>(loadLe16(table + 12) + loadLe16(table + 14), most);
    if (!pay(kTableSize / kEntrySize + count)) return false;
    std::vector<uint8_t> bytes(size_t{count} * kEntrySize);
    if (!readSection(uint64_t{at} + kTableSize, bytes.size(), bytes.data())) return false;
    entries.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
      entries[i] = {loadLe32(&bytes[i * kEntrySize]), loadLe32(&bytes[i * kEntrySize + 4])};
    }
    return true;
  }

  // Whether a root entry is a type taken, and as what. False when its name lies outside.
  bool kindOf(const Entry& type, bool& taken, ResourceKind& kind) {
    if ((type.name & kTopBit) == 0) {
      kind = ResourceKind::kBitmap;
      taken = type.name == kBitmapType;
      return true;
    }
    const uint32_t at = type.name & ~kTopBit;
    uint8_t length[2];
    if (!readSection(at, sizeof length, length)) return false;
    std::vector<uint8_t> chars(size_t{loadLe16(length)} * 2);
    if (!pay((sizeof length + chars.size() + kEntrySize - 1) / kEntrySize) ||
        !readSection(uint64_t{at} + 2, chars.size(), chars.data())) {
      return false;
    }
    taken = namedTypeKind(chars, kind);
    return true;
  }

  // Every resource of a type taken, each by its first language.
  bool readType(const Entry& type, ResourceKind kind, std::vector<ResourceSpan>& found) {
    std::vector<Entry> names;
    if ((type.offset & kTopBit) == 0 || !readDirectory(type.offset & ~kTopBit, UINT32_MAX, names)) {
      return false;
    }
    for (const Entry& name : names) {
      if (context_.stopped()) return false;
      std::vector<Entry> languages;
      if ((name.offset & kTopBit) == 0 || !readDirectory(name.offset & ~kTopBit, 1, languages)) {
        return false;
      }
      if (languages.empty()) continue;
      if ((languages[0].offset & kTopBit) != 0) return false;
      ResourceSpan span{0, 0, kind};
      if (!readDataEntry(languages[0].offset, span)) return false;
      found.push_back(span);
    }
    return true;
  }

  // The data entry's place in the file, which must hold all of the resource.
  bool readDataEntry(uint32_t at, ResourceSpan& span) {
    uint8_t entry[kDataEntrySize];
    if (!readSection(at, kDataEntrySize, entry)) return false;
    const int64_t offset =
        int64_t{loadLe32(entry)} - section_.virtualAddress + static_cast<int64_t>(section_.start);
    const uint32_t size = loadLe32(entry + 4);
    if (offset < 0 || static_cast<uint64_t>(offset) + size > fileSize_ ||
        static_cast<uint64_t>(offset) + size > UINT32_MAX) {
      return false;
    }
    span.offset = static_cast<uint32_t>(offset);
    span.size = size;
    return true;
  }

  const OperationContext& context_;
  platform::File& src_;
  Section section_;
  uint64_t fileSize_;
  uint64_t budget_;  // entry-sized slots of the section not yet read
};

char folded(uint8_t low, uint8_t high) {
  if (high != 0) return 0;
  return low >= 'a' && low <= 'z' ? static_cast<char>(low - 'a' + 'A') : static_cast<char>(low);
}

bool containsWord(std::span<const uint8_t> chars, const char (&word)[4]) {
  const size_t length = chars.size() / 2;
  for (size_t i = 0; i + 3 <= length; ++i) {
    bool same = true;
    for (size_t k = 0; k < 3 && same; ++k) {
      same = folded(chars[2 * (i + k)], chars[2 * (i + k) + 1]) == word[k];
    }
    if (same) return true;
  }
  return false;
}

}  // namespace

bool namedTypeKind(std::span<const uint8_t> chars, ResourceKind& kind) {
  if (chars.size() / 2 < kMinNameChars) return false;
  if (containsWord(chars, "WAV")) return kind = ResourceKind::kWave, true;
  if (containsWord(chars, "BMP")) return kind = ResourceKind::kBitmap, true;
  return false;
}

bool findResources(const OperationContext& context, platform::File& src,
                   std::vector<ResourceSpan>& found) {
  found.clear();
  const uint64_t fileSize = src.size();
  Section section;
  if (!findResourceSection(src, fileSize, section)) return false;
  DirectoryWalk walk(context, src, section, fileSize);
  if (!walk.run(found)) return false;
  std::stable_sort(found.begin(), found.end(), [](const ResourceSpan& a, const ResourceSpan& b) {
    return a.offset < b.offset;
  });
  return true;
}

}  // namespace murl::pe
