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
    file_ =
        workspace.fileSystem.createAnonymous(workspace.tempFolder + drawTempName(workspace.random));
    if (file_.isOpen()) return true;
  }
  workspace.show(MessageId::kCouldntWriteTempFile);
  return false;
}

bool TempFile::wipe() { return platform::wipeFile(file_); }

}  // namespace murl
