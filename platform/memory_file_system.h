#pragma once
// Files and folders held in memory, for fuzz targets and tests that should not touch the disk.
// Names are taken as given ("/" separates folders; a trailing "/" and doubled ones are ignored);
// a file or folder can be made only inside a folder that exists, the top ("" and "/") always
// does. Files opened from it share their bytes with it, as open files share the disk. There are
// no links. Not for use from two threads at once.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace murl::platform {

// A file of these bytes alone, open for reading and writing from position 0.
File memoryFile(std::vector<uint8_t> bytes = {});

class MemoryFileSystem final : public FileSystem {
 public:
  // Puts a file of these bytes at `path`, replacing a file of that name; false when its folder
  // is missing or a folder has that name.
  bool addFile(const std::string& path, std::vector<uint8_t> bytes);
  // The bytes of the file at `path`; none when there is no such file.
  std::optional<std::vector<uint8_t>> contents(const std::string& path) const;
  // Every file and folder held, sorted; what a test compares to prove nothing was left behind.
  std::vector<std::string> names() const;

  File openRead(const std::string& path) override;
  File openReadWrite(const std::string& path) override;
  File createTruncate(const std::string& path) override;
  File createExclusive(const std::string& path) override;
  File createAnonymous(const std::string& path) override;
  bool rename(const std::string& from, const std::string& to) override;
  bool remove(const std::string& path) override;
  bool fileExists(const std::string& path) override;
  bool pathTaken(const std::string& path) override;
  std::optional<FileId> fileId(const std::string& path) override;
  // Resolves "." and ".." by the names alone, there being no links.
  std::string resolvePath(const std::string& path) override;
  bool isFolder(const std::string& path) override;
  bool createFolder(const std::string& path, bool ownerOnly = false) override;
  Folder openFolder(const std::string& path) override;
  bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) override;
  uint32_t fileAttributes(const std::string& path) override;
  bool setFileAttributes(const std::string& path, uint32_t attributes) override;

 private:
  class MemoryFolder;
  class MemoryNaming;

  struct Node {
    std::shared_ptr<std::vector<uint8_t>> bytes;  // null for a folder
    bool readOnly = false;
    uint64_t id = 0;
  };

  const Node* find(const std::string& key) const;
  Node* find(const std::string& key);
  bool folderExists(const std::string& key) const;
  bool parentExists(const std::string& key) const;
  bool hasChildren(const std::string& key) const;
  File open(const std::string& path, bool forWriting);
  File create(const std::string& key);
  void put(const std::string& key, Node node);

  std::map<std::string, Node> nodes_;
  std::set<std::string> locked_;  // folders whose lock is held
  uint64_t idsMade_ = 0;
};

}  // namespace murl::platform
