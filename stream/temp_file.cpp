#include "stream/temp_file.h"

namespace murl {

namespace {
// A taken name is drawn again; after this many tries the folder is not usable.
constexpr int kMaxTries = 1000;
}  // namespace

std::string drawTempName(RandomSource& random) {
  std::string name(8, 'a');
  for (char& c : name) c = static_cast<char>(random.drawByte('a', 'z'));
  return name + ".tmp";
}

bool TempFile::create(Workspace& workspace) {
  wipe();
  for (int i = 0; i < kMaxTries; ++i) {
    std::string path = workspace.tempFolder + drawTempName(workspace.random);
    file_ = workspace.fileSystem.createExclusive(path);
    if (file_.isOpen()) {
      path_ = std::move(path);
      fileSystem_ = &workspace.fileSystem;
      return true;
    }
  }
  workspace.show(MessageId::kCouldntWriteTempFile);
  return false;
}

bool TempFile::wipe() {
  if (!file_.isOpen()) return true;
  bool ok = fileSystem_->wipeAndDelete(file_, path_);
  path_.clear();
  return ok;
}

}  // namespace murl
