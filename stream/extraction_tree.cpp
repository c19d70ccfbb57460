#include "stream/extraction_tree.h"

namespace murl {

std::string attributeLetters(uint32_t attributes) {
  static constexpr struct {
    uint32_t bit;
    char letter;
  } kLetters[] = {{0x02, 'H'}, {0x04, 'S'}, {0x01, 'R'}, {0x100, 'T'}, {0x20, 'A'}};
  std::string letters;
  for (const auto& [bit, letter] : kLetters)
    if (attributes & bit) letters += letter;
  return letters;
}

void ExtractionTree::clear() {
  folders_.clear();
  index_.clear();
  folders_.emplace_back();
  index_.emplace_back();
  fileCount_ = 0;
  totalSize_ = 0;
}

bool ExtractionTree::add(const std::vector<std::string_view>& folders, std::string_view name,
                         uint32_t size, uint32_t attributes, uint64_t offset) {
  size_t node = 0;  // the folder's position in folders_ and index_
  for (std::string_view component : folders) {
    auto& byName = index_[node];
    auto found = byName.find(std::string(component));
    if (found != byName.end()) {
      node = found->second;
      continue;
    }
    ExtractionFolder& parent = folders_[node];
    if (parent.subfolders.size() >= kMaxSubfolders) return false;
    ExtractionFolder& child = folders_.emplace_back();
    index_.emplace_back();
    child.name = component;
    child.parent = &parent;
    parent.subfolders.push_back(&child);
    node = folders_.size() - 1;
    byName.emplace(child.name, node);
  }
  folders_[node].files.push_back(ExtractedFile{std::string(name), size, attributes, offset});
  ++fileCount_;
  totalSize_ += size;
  return true;
}

}  // namespace murl
