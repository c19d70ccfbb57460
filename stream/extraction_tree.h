#pragma once
// The tree of hidden files rebuilt from a decoded hidden stream: folders found by exact,
// case-sensitive name, each file with its size, attributes word and the offset of its content in
// the decoded file. Names are single components, never holding "\" or "/".
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace murl {

struct ExtractedFile {
  std::string name;
  uint32_t size = 0;
  uint32_t attributes = 0;
  uint64_t offset = 0;  // of the content in the decoded file
};

struct ExtractionFolder {
  std::string name;  // empty for the root
  ExtractionFolder* parent = nullptr;
  std::vector<ExtractionFolder*> subfolders;  // in order of first appearance
  std::vector<ExtractedFile> files;           // in stream order

  // The extraction page numbers the subfolders first, then the files.
  size_t itemCount() const { return subfolders.size() + files.size(); }
};

// The letters of the attributes an extraction page shows for a file: "H", "S", "R", "T", "A"
// for the hidden, system, read-only, temporary and archive bits, in that order.
std::string attributeLetters(uint32_t attributes);

class ExtractionTree {
 public:
  static constexpr size_t kMaxSubfolders = 65535;

  ExtractionTree() { clear(); }
  ExtractionTree(const ExtractionTree&) = delete;
  ExtractionTree& operator=(const ExtractionTree&) = delete;

  const ExtractionFolder& root() const { return folders_.front(); }
  uint32_t fileCount() const { return fileCount_; }
  uint64_t totalSize() const { return totalSize_; }

  void clear();
  // Enters one file under its folder path (components already checked by the reader). False when
  // a folder would need more than 65535 subfolders; the tree then holds what came before.
  bool add(const std::vector<std::string_view>& folders, std::string_view name, uint32_t size,
           uint32_t attributes, uint64_t offset);

 private:
  // Every node lives here, so a hostile stream's deep paths are freed without deep recursion.
  std::deque<ExtractionFolder> folders_;
  // Per folder (same position as in folders_), its subfolders' positions by name.
  std::deque<std::unordered_map<std::string, size_t>> index_;
  uint32_t fileCount_ = 0;
  uint64_t totalSize_ = 0;
};

}  // namespace murl
