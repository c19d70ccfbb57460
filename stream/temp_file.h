#pragma once
// A temporary file of the program, in the temporary folder: owner-only, reachable by no name
// (so nothing is left there even if the process is killed), and overwritten with zeros before it
// is let go.
#include <string>

#include "core/workspace.h"
#include "platform/file_system.h"

namespace murl {

class TempFile {
 public:
  TempFile() = default;
  // A file still open is wiped, so no failure path can leave its content on the disk.
  ~TempFile() { wipe(); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Creates the file beside a freshly drawn name (8 random letters and ".tmp") in
  // workspace.tempFolder, through the workspace's file system, drawing again while the name is
  // taken: the draws are those of a named file, so a run replayed from the same pool and clock
  // gives the same bytes. False, with "Couldn't write to temp file!" shown, when none can be made.
  bool create(Workspace& workspace);
  // Zeros over the whole length, then close. True when nothing was open or all went well.
  bool wipe();

  bool isOpen() const { return file_.isOpen(); }
  platform::File& file() { return file_; }

 private:
  platform::File file_;
};

// 8 letters "a".."z" drawn from the random source, then ".tmp".
std::string drawTempName(RandomSource& random);

}  // namespace murl
