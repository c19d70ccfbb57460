#include "stream/source_tree.h"

#include <algorithm>
#include <new>

#include "platform/ascii_case.h"
#include "platform/folders.h"

namespace murl {

namespace {

// Bytes past ASCII compare as unsigned values, after every letter and digit.
uint8_t fold(char c) { return static_cast<uint8_t>(asciiLower(c)); }

SourceAddResult askToGoOn(Workspace& workspace, MessageId question) {
  return workspace.ask(question) ? SourceAddResult::kSkipped : SourceAddResult::kStop;
}

bool ends(SourceAddResult r) {
  return r == SourceAddResult::kOutOfMemory || r == SourceAddResult::kStop;
}

}  // namespace

std::string_view SourceFile::name() const {
  std::string_view p = path;
  return p.substr(path.size() - platform::baseName(path).size());
}

uint32_t reduceAttributes(uint32_t word) {
  if (word == platform::attr::kInvalid) return 0;
  if (word & platform::attr::kNormal) return platform::attr::kNormal;
  return word & 0x127;
}

bool foldedLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return fold(x) < fold(y); });
}

SourceAddResult SourceTree::addFile(Workspace& workspace, SourceFolder& folder,
                                    const std::string& path) {
  if (fileCount_ >= kMaxSourceFiles) {
    workspace.show(MessageId::kMaxFiles);
    return SourceAddResult::kStop;
  }
  uint64_t size;
  {
    platform::File file = workspace.fileSystem.openRead(path);
    if (!file.isOpen()) return askToGoOn(workspace, MessageId::kScanCouldntOpenFile);
    size = file.size();
  }
  if (size > kMaxContentSize) return askToGoOn(workspace, MessageId::kScanFileTooBig);
  uint64_t total = uint64_t{totalSize_} + size;
  if (total > kMaxContentSize) return askToGoOn(workspace, MessageId::kScanTotalTooBig);
  const std::string name = platform::baseName(path);
  if (folder.fileNames_.count(name) != 0 || folder.subfolderNames_.count(name) != 0) {
    return askToGoOn(workspace, MessageId::kScanFileAlreadyAdded);
  }
  uint32_t attributes = reduceAttributes(workspace.fileSystem.fileAttributes(path));
  try {
    folder.fileNames_.insert(name);
    folder.files_.push_back(SourceFile{path, static_cast<uint32_t>(size), attributes});
  } catch (const std::bad_alloc&) {
    folder.fileNames_.erase(name);
    workspace.show(MessageId::kOutOfMemory);
    return SourceAddResult::kOutOfMemory;
  }
  totalSize_ = static_cast<uint32_t>(total);
  ++fileCount_;
  return SourceAddResult::kAdded;
}

SourceAddResult SourceTree::addSubfolder(Workspace& workspace, SourceFolder& folder,
                                         const std::string& name) {
  if (folder.subfolders_.size() >= kMaxSubfolders) {
    workspace.show(MessageId::kMaxSubfolders);
    return SourceAddResult::kStop;
  }
  if (folder.subfolderNames_.count(name) != 0 || folder.fileNames_.count(name) != 0) {
    return askToGoOn(workspace, MessageId::kScanFolderAlreadyAdded);
  }
  try {
    auto node = std::make_unique<SourceFolder>();
    node->parent_ = &folder;
    node->name_ = name;
    folder.subfolderNames_.insert(name);
    folder.subfolders_.push_back(std::move(node));
  } catch (const std::bad_alloc&) {
    folder.subfolderNames_.erase(name);
    workspace.show(MessageId::kOutOfMemory);
    return SourceAddResult::kOutOfMemory;
  }
  return SourceAddResult::kAdded;
}

SourceAddResult SourceTree::scanFolder(Workspace& workspace, SourceFolder& folder,
                                       const std::string& path, bool& added) {
  std::vector<platform::FolderEntry> entries;
  if (!workspace.fileSystem.listFolder(path, entries)) {
    return askToGoOn(workspace, MessageId::kScanCouldntOpenFile);
  }
  Ancestors ancestors;
  if (auto id = workspace.fileSystem.fileId(path)) ancestors.push_back(*id);
  return fill(workspace, folder, path, entries, ancestors, added);
}

SourceAddResult SourceTree::addFolder(Workspace& workspace, SourceFolder& folder,
                                      const std::string& path, const std::string& name,
                                      bool& added) {
  Ancestors ancestors;
  return addScanned(workspace, folder, path, name,
                    workspace.fileSystem.fileId(path).value_or(platform::FileId{}), ancestors,
                    added);
}

SourceAddResult SourceTree::addScanned(Workspace& workspace, SourceFolder& folder,
                                       const std::string& path, const std::string& name,
                                       const platform::FileId& id, Ancestors& ancestors,
                                       bool& added) {
  // A link back up would be entered again and again, each time one level deeper.
  if (std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end()) {
    return askToGoOn(workspace, MessageId::kScanFolderAlreadyAdded);
  }
  SourceAddResult result = addSubfolder(workspace, folder, name);
  if (result != SourceAddResult::kAdded) return result;
  std::vector<platform::FolderEntry> entries;
  if (!workspace.fileSystem.listFolder(path, entries)) {
    removeSubfolder(folder, folder.subfolders_.size() - 1);
    return askToGoOn(workspace, MessageId::kScanCouldntOpenFile);
  }
  ancestors.push_back(id);
  result = fill(workspace, *folder.subfolders_.back(), path, entries, ancestors, added);
  ancestors.pop_back();
  return result;
}

SourceAddResult SourceTree::fill(Workspace& workspace, SourceFolder& folder,
                                 const std::string& path,
                                 const std::vector<platform::FolderEntry>& entries,
                                 Ancestors& ancestors, bool& added) {
  SourceAddResult result = SourceAddResult::kAdded;
  // Whatever is not a folder is offered as a file: what cannot be opened as one is asked about.
  for (const auto& entry : entries) {
    // A program that is closing has no use for the rest of a scan, however large.
    if (workspace.closing.load()) return SourceAddResult::kStop;
    if (entry.isFolder) continue;
    std::string filePath = platform::joinPath(path, entry.name);
    if (onScanPath) onScanPath(filePath);
    SourceAddResult r = addFile(workspace, folder, filePath);
    if (r == SourceAddResult::kAdded) added = true;
    if (ends(r)) {
      result = r;
      break;
    }
  }
  for (size_t i = 0; i < entries.size() && !ends(result); ++i) {
    if (!entries[i].isFolder) continue;
    SourceAddResult r = addScanned(workspace, folder, platform::joinPath(path, entries[i].name),
                                   entries[i].name, entries[i].id, ancestors, added);
    if (ends(r)) result = r;
  }
  sortLevel(folder);
  return result;
}

bool SourceTree::removeFile(SourceFolder& folder, size_t index) {
  if (index >= folder.files_.size()) return false;
  const SourceFile& file = folder.files_[index];
  totalSize_ -= file.size;
  --fileCount_;
  folder.fileNames_.erase(platform::baseName(file.path));
  folder.files_.erase(folder.files_.begin() + static_cast<ptrdiff_t>(index));
  return true;
}

bool SourceTree::removeSubfolder(SourceFolder& folder, size_t index) {
  if (index >= folder.subfolders_.size()) return false;
  subtract(*folder.subfolders_[index]);
  folder.subfolderNames_.erase(folder.subfolders_[index]->name_);
  folder.subfolders_.erase(folder.subfolders_.begin() + static_cast<ptrdiff_t>(index));
  return true;
}

void SourceTree::subtract(const SourceFolder& folder) {
  for (const auto& file : folder.files_) totalSize_ -= file.size;
  fileCount_ -= static_cast<uint32_t>(folder.files_.size());
  for (const auto& sub : folder.subfolders_) subtract(*sub);
}

void SourceTree::clear(SourceFolder& folder) {
  subtract(folder);
  folder.files_.clear();
  folder.fileNames_.clear();
  folder.subfolders_.clear();
  folder.subfolderNames_.clear();
}

void SourceTree::sortLevel(SourceFolder& folder) {
  std::stable_sort(
      folder.files_.begin(), folder.files_.end(),
      [](const SourceFile& a, const SourceFile& b) { return foldedLess(a.name(), b.name()); });
  std::stable_sort(folder.subfolders_.begin(), folder.subfolders_.end(),
                   [](const auto& a, const auto& b) { return foldedLess(a->name_, b->name_); });
}

void SourceTree::sort() {
  std::vector<SourceFolder*> pending{&root_};
  while (!pending.empty()) {
    SourceFolder* folder = pending.back();
    pending.pop_back();
    sortLevel(*folder);
    for (auto& sub : folder->subfolders_) pending.push_back(sub.get());
  }
}

}  // namespace murl
