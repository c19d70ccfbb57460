#pragma once
// A temporary file of the program: 8 random lowercase letters and ".tmp" in the temporary folder,
// created exclusively with owner-only permission, and overwritten with zeros before it goes.
#include <string>

#include "core/workspace.h"
#include "platform/file_system.h"

namespace murl {

class TempFile {
 public:
  TempFile() = default;
  // A file still present is wiped and deleted, so no failure path can leave one behind.
  ~TempFile() { wipe(); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Creates a new file under a freshly drawn name in workspace.tempFolder, through the
  // workspace's file system (kept for the wipe), drawing again while the name is taken. False, with
  // "Couldn't write to temp file!" shown, when none can be made.
  bool create(Workspace& workspace);
  // Zeros over the whole length, close, delete. True when nothing was left or all went well.
  bool wipe();

  bool isOpen() const { return file_.isOpen(); }
  platform::File& file() { return file_; }
  const std::string& path() const { return path_; }

 private:
  platform::File file_;
  std::string path_;
  platform::FileSystem* fileSystem_ = nullptr;
};

// 8 letters "a".."z" drawn from the random source, then ".tmp".
std::string drawTempName(RandomSource& random);

}  // namespace murl
