#include "platform/memory_file_system.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace murl::platform {
namespace {

using Bytes = std::vector<uint8_t>;

class MemoryFile final : public FileImpl {
 public:
  explicit MemoryFile(std::shared_ptr<Bytes> bytes) : bytes_(std::move(bytes)) {}

  size_t read(void* buffer, size_t count) override {
    if (position_ >= bytes_->size()) return 0;
    size_t n = static_cast<size_t>(std::min<uint64_t>(count, bytes_->size() - position_));
    if (n != 0) std::memcpy(buffer, bytes_->data() + position_, n);
    position_ += n;
    return n;
  }
  size_t write(const void* buffer, size_t count) override {
    if (count == 0) return 0;
    if (position_ + count < position_ ||
        (position_ + count > bytes_->size() && !truncate(position_ + count))) {
      return 0;
    }
    std::memcpy(bytes_->data() + position_, buffer, count);
    position_ += count;
    return count;
  }
  bool seek(uint64_t offset) override {
    position_ = offset;
    return true;
  }
  uint64_t position() const override { return position_; }
  uint64_t size() const override { return bytes_->size(); }
  // A length memory cannot hold fails like a full disk.
  bool truncate(uint64_t length) override {
    if (length > bytes_->max_size()) return false;
    try {
      bytes_->resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }
  bool sync() override { return true; }

 private:
  std::shared_ptr<Bytes> bytes_;
  uint64_t position_ = 0;
};

File fileOver(std::shared_ptr<Bytes> bytes) {
  return File(std::make_unique<MemoryFile>(std::move(bytes)));
}

// The name a path is kept under: no doubled and no trailing "/", except the top "/" itself.
std::string keyOf(const std::string& path) {
  std::string key;
  for (char c : path) {
    if (c == '/' && !key.empty() && key.back() == '/') continue;
    key += c;
  }
  if (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

// The folder a key lies in: "" for a bare name, "/" for a name at the top.
std::string parentOf(const std::string& key) {
  size_t slash = key.find_last_of('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : key.substr(0, slash);
}

}  // namespace

File memoryFile(std::vector<uint8_t> bytes) {
  return fileOver(std::make_shared<Bytes>(std::move(bytes)));
}

const MemoryFileSystem::Node* MemoryFileSystem::find(const std::string& key) const {
  auto it = nodes_.find(key);
  return it == nodes_.end() ? nullptr : &it->second;
}

MemoryFileSystem::Node* MemoryFileSystem::find(const std::string& key) {
  auto it = nodes_.find(key);
  return it == nodes_.end() ? nullptr : &it->second;
}

bool MemoryFileSystem::folderExists(const std::string& key) const {
  if (key.empty() || key == "/") return true;
  const Node* node = find(key);
  return node && !node->bytes;
}

bool MemoryFileSystem::parentExists(const std::string& key) const {
  return folderExists(parentOf(key));
}

bool MemoryFileSystem::hasChildren(const std::string& key) const {
  auto it = nodes_.upper_bound(key);
  return it != nodes_.end() && it->first.size() > key.size() &&
         it->first.compare(0, key.size(), key) == 0 && it->first[key.size()] == '/';
}

void MemoryFileSystem::put(const std::string& key, Node node) {
  node.id = ++idsMade_;
  nodes_[key] = std::move(node);
}

bool MemoryFileSystem::addFile(const std::string& path, std::vector<uint8_t> bytes) {
  std::string key = keyOf(path);
  if (!parentExists(key) || folderExists(key)) return false;
  put(key, Node{std::make_shared<Bytes>(std::move(bytes)), false});
  return true;
}

std::optional<std::vector<uint8_t>> MemoryFileSystem::contents(const std::string& path) const {
  const Node* node = find(keyOf(path));
  if (!node || !node->bytes) return std::nullopt;
  return *node->bytes;
}

std::vector<std::string> MemoryFileSystem::names() const {
  std::vector<std::string> out;
  for (const auto& entry : nodes_) out.push_back(entry.first);
  return out;
}

File MemoryFileSystem::open(const std::string& path, bool forWriting) {
  const Node* node = find(keyOf(path));
  if (!node || !node->bytes || (forWriting && node->readOnly)) return File();
  return fileOver(node->bytes);
}

File MemoryFileSystem::create(const std::string& key) {
  if (!parentExists(key) || folderExists(key)) return File();
  auto bytes = std::make_shared<Bytes>();
  put(key, Node{bytes, false});
  return fileOver(bytes);
}

File MemoryFileSystem::openRead(const std::string& path) { return open(path, false); }

File MemoryFileSystem::openReadWrite(const std::string& path) { return open(path, true); }

File MemoryFileSystem::createTruncate(const std::string& path) {
  std::string key = keyOf(path);
  Node* node = find(key);
  if (!node) return create(key);
  if (!node->bytes || node->readOnly) return File();
  node->bytes->clear();
  return fileOver(node->bytes);
}

File MemoryFileSystem::createExclusive(const std::string& path) {
  std::string key = keyOf(path);
  return find(key) ? File() : create(key);
}

File MemoryFileSystem::createAnonymous(const std::string& path) {
  std::string key = keyOf(path);
  if (find(key) || !parentExists(key) || folderExists(key)) return File();
  return memoryFile();
}

bool MemoryFileSystem::rename(const std::string& from, const std::string& to) {
  std::string source = keyOf(from);
  std::string target = keyOf(to);
  auto it = nodes_.find(source);
  if (it == nodes_.end() || !it->second.bytes || !parentExists(target) || folderExists(target)) {
    return false;
  }
  if (source == target) return true;
  Node moved = std::move(it->second);
  nodes_.erase(it);
  nodes_[target] = std::move(moved);
  return true;
}

bool MemoryFileSystem::remove(const std::string& path) {
  auto it = nodes_.find(keyOf(path));
  if (it == nodes_.end() || !it->second.bytes) return false;
  nodes_.erase(it);
  return true;
}

bool MemoryFileSystem::fileExists(const std::string& path) {
  const Node* node = find(keyOf(path));
  return node && node->bytes;
}

bool MemoryFileSystem::pathTaken(const std::string& path) {
  return find(keyOf(path)) != nullptr || folderExists(keyOf(path));
}

std::optional<FileId> MemoryFileSystem::fileId(const std::string& path) {
  std::string key = keyOf(path);
  if (key.empty() || key == "/") return FileId{};
  const Node* node = find(key);
  if (!node) return std::nullopt;
  return FileId{0, node->id};
}

std::string MemoryFileSystem::resolvePath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = std::min(path.find('/', start), path.size());
    std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string resolved;
  for (const std::string& part : parts) resolved += "/" + part;
  if (resolved.empty()) return "/";
  return pathTaken(resolved) ? resolved : "";
}

bool MemoryFileSystem::isFolder(const std::string& path) { return folderExists(keyOf(path)); }

bool MemoryFileSystem::createFolder(const std::string& path, bool) {
  std::string key = keyOf(path);
  if (folderExists(key)) return true;
  if (find(key) || !parentExists(key)) return false;
  put(key, Node{});
  return true;
}

bool MemoryFileSystem::listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
  entries.clear();
  std::string key = keyOf(path);
  if (!folderExists(key)) return false;
  for (const auto& [name, node] : nodes_) {
    if (name == key || parentOf(name) != key) continue;
    entries.push_back(
        {baseName(name), !node.bytes, !!node.bytes, fileAttributes(name), FileId{0, node.id}});
  }
  // The keys are in byte order, and so are the names that follow one shared folder.
  return true;
}

uint32_t MemoryFileSystem::fileAttributes(const std::string& path) {
  std::string key = keyOf(path);
  const Node* node = find(key);
  if (!node && !folderExists(key)) return attr::kInvalid;
  uint32_t a = 0;
  if (node && node->readOnly) a |= attr::kReadOnly;
  std::string name = baseName(key);
  if (!name.empty() && name[0] == '.') a |= attr::kHidden;
  if (!node || !node->bytes) a |= attr::kDirectory;
  return a == 0 ? attr::kNormal : a;
}

// A new file's bytes, kept out of the tree until published.
class MemoryFileSystem::MemoryNaming final : public NewFileNaming {
 public:
  MemoryNaming(MemoryFileSystem& files, std::string folder, std::shared_ptr<Bytes> bytes)
      : files_(files), folder_(std::move(folder)), bytes_(std::move(bytes)) {}

  bool setAttributes(uint32_t attributes) override {
    readOnly_ = (attributes & attr::kReadOnly) != 0;
    return true;
  }
  bool publish(const std::string& name, bool replace) override {
    std::string key = keyOf(joinPath(folder_, name));
    const Node* there = files_.find(key);
    if (!files_.folderExists(folder_) || files_.folderExists(key) || (there && !replace))
      return false;
    files_.put(key, Node{bytes_, readOnly_});
    return true;
  }
  void forget() override {}

 private:
  MemoryFileSystem& files_;
  std::string folder_;
  std::shared_ptr<Bytes> bytes_;
  bool readOnly_ = false;
};

class MemoryFileSystem::MemoryFolder final : public FolderImpl {
 public:
  MemoryFolder(MemoryFileSystem& files, std::string key) : files_(files), key_(std::move(key)) {}
  ~MemoryFolder() override {
    if (locked_) files_.locked_.erase(key_);
  }

  EntryKind kind(const std::string& name) override {
    const Node* node = single(name) ? files_.find(at(name)) : nullptr;
    if (!node) return EntryKind::kNone;
    return node->bytes ? EntryKind::kFile : EntryKind::kFolder;
  }
  std::optional<FileId> id(const std::string& name) override {
    return single(name) ? files_.fileId(at(name)) : std::nullopt;
  }
  std::unique_ptr<FolderImpl> openSubfolder(const std::string& name) override {
    if (kind(name) != EntryKind::kFolder) return nullptr;
    return std::make_unique<MemoryFolder>(files_, at(name));
  }
  bool createSubfolder(const std::string& name) override {
    return kind(name) == EntryKind::kNone && files_.createFolder(at(name));
  }
  bool removeSubfolder(const std::string& name) override {
    if (kind(name) != EntryKind::kFolder || files_.hasChildren(at(name))) return false;
    files_.nodes_.erase(at(name));
    return true;
  }
  NewFile createNew(bool) override {
    if (!files_.folderExists(key_)) return NewFile();
    auto bytes = std::make_shared<Bytes>();
    return NewFile(fileOver(bytes), std::make_unique<MemoryNaming>(files_, key_, bytes));
  }
  bool lock() override {
    if (locked_ || !files_.locked_.insert(key_).second) return false;
    locked_ = true;
    return true;
  }

 private:
  static bool single(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
  }
  std::string at(const std::string& name) const { return keyOf(joinPath(key_, name)); }

  MemoryFileSystem& files_;
  std::string key_;
  bool locked_ = false;
};

Folder MemoryFileSystem::openFolder(const std::string& path) {
  std::string key = keyOf(path);
  if (!folderExists(key)) return Folder();
  return Folder(std::make_unique<MemoryFolder>(*this, key));
}

bool MemoryFileSystem::setFileAttributes(const std::string& path, uint32_t attributes) {
  Node* node = find(keyOf(path));
  if (!node) return false;
  node->readOnly = (attributes & attr::kReadOnly) != 0;
  return true;
}

}  // namespace murl::platform
