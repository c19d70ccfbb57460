#pragma once
// The files and folders chosen for hiding: a tree under one unnamed root, with the limits of the
// hidden stream enforced while files are added and running totals that always equal the sums
// over the tree. Paths here are the host's ("/"-separated); the stream writer turns the tree's
// names into "\"-separated stream paths.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/workspace.h"
#include "platform/folders.h"

namespace murl {

constexpr uint32_t kMaxSourceFiles = 65535;
constexpr uint32_t kMaxSubfolders = 65535;
constexpr uint32_t kMaxContentSize = 0x10000000;  // one file and the whole tree

enum class SourceAddResult : uint8_t {
  kSkipped = 0,  // refused, and the user chose to go on
  kAdded = 1,
  kOutOfMemory = 2,  // stop
  kStop = 3,         // the user chose not to go on, or a hard limit
};

struct SourceFile {
  std::string path;  // full host path
  uint32_t size = 0;
  uint32_t attributes = 0;  // reduced: 0x80 alone, or a subset of 0x127; 0 when unreadable
  uint32_t item = 0;        // the page's own value for the row; moves with the file when sorting

  // The file's own name: the part of its path after the last "/".
  std::string_view name() const;
};

class SourceFolder {
 public:
  const std::string& name() const { return name_; }
  const SourceFolder* parent() const { return parent_; }
  const std::vector<SourceFile>& files() const { return files_; }
  void setItem(size_t index, uint32_t item) { files_.at(index).item = item; }
  size_t subfolderCount() const { return subfolders_.size(); }
  SourceFolder& subfolder(size_t i) { return *subfolders_[i]; }
  const SourceFolder& subfolder(size_t i) const { return *subfolders_[i]; }

 private:
  friend class SourceTree;
  SourceFolder* parent_ = nullptr;
  std::string name_;
  std::vector<std::unique_ptr<SourceFolder>> subfolders_;
  std::vector<SourceFile> files_;
  // The names files and subfolders take in the hidden folder, for the "already added"
  // questions: two entries of one name would be extracted over each other.
  std::unordered_set<std::string> fileNames_;
  std::unordered_set<std::string> subfolderNames_;
};

// The attributes word as kept for a hidden file: 0x80 when "normal" is set, else the word AND
// 0x127; 0 when it cannot be read.
uint32_t reduceAttributes(uint32_t word);

// Name order of the tree: byte codes with A-Z folded to a-z; a leading part sorts first.
bool foldedLess(std::string_view a, std::string_view b);

class SourceTree {
 public:
  SourceTree() = default;
  SourceTree(const SourceTree&) = delete;
  SourceTree& operator=(const SourceTree&) = delete;

  SourceFolder& root() { return root_; }
  const SourceFolder& root() const { return root_; }
  uint32_t fileCount() const { return fileCount_; }
  uint32_t totalSize() const { return totalSize_; }

  // Adds the file at `path` to `folder`, asking the user (Yes goes on) about files that cannot be
  // opened (anything but a regular file among them), are too big, would pass the total or whose
  // name the folder holds already.
  SourceAddResult addFile(Workspace& workspace, SourceFolder& folder, const std::string& path);
  // Appends an empty subfolder; on kAdded it is the folder's last subfolder. A name the folder
  // holds already, as a subfolder or a file, is asked about.
  SourceAddResult addSubfolder(Workspace& workspace, SourceFolder& folder, const std::string& name);
  // Adds the folder at `path` as a subfolder of `folder` named `name`, with everything in it.
  // A folder that cannot be listed is asked about as a file that cannot be opened, and leaves
  // the tree as it was. Returns as scanFolder does, or kSkipped.
  SourceAddResult addFolder(Workspace& workspace, SourceFolder& folder, const std::string& path,
                            const std::string& name, bool& added);
  // Adds every entry directly in the folder at `path` as a file (see addFile), then every
  // subfolder with its contents, and sorts the node's lists. A folder already on the way down
  // from `path` (a link back up) is not entered again: "Folder already added!" is asked. `added`
  // is set when any file was added. Returns kAdded, or the kOutOfMemory / kStop that ended the
  // scan (the closing flag ends it too); a `path` that cannot be listed is asked about (kSkipped
  // or kStop).
  SourceAddResult scanFolder(Workspace& workspace, SourceFolder& folder, const std::string& path,
                             bool& added);

  // Both false for an index out of range. Removing a subfolder removes its whole subtree.
  bool removeFile(SourceFolder& folder, size_t index);
  bool removeSubfolder(SourceFolder& folder, size_t index);
  // Empties a folder, subtracting what it held from the totals.
  void clear(SourceFolder& folder);
  // Empties the whole tree and zeroes the totals.
  void reset() { clear(root_); }

  // Sorts every level: subfolders by name, files by their own name, equal names keep their order.
  void sort();
  static void sortLevel(SourceFolder& folder);

  // Called with each path being added while scanning (the page's status line).
  std::function<void(const std::string& path)> onScanPath;

 private:
  void subtract(const SourceFolder& folder);
  using Ancestors = std::vector<platform::FileId>;
  SourceAddResult addScanned(Workspace& workspace, SourceFolder& folder, const std::string& path,
                             const std::string& name, const platform::FileId& id,
                             Ancestors& ancestors, bool& added);
  // Adds the listed entries of the folder at `path` to `folder`.
  SourceAddResult fill(Workspace& workspace, SourceFolder& folder, const std::string& path,
                       const std::vector<platform::FolderEntry>& entries, Ancestors& ancestors,
                       bool& added);

  SourceFolder root_;
  uint32_t fileCount_ = 0;
  uint32_t totalSize_ = 0;
};

}  // namespace murl
