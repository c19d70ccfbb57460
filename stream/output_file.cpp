#include "stream/output_file.h"

namespace murl {

bool OutputFile::start(platform::Folder& folder, const std::string& name, bool ownerOnly) {
  folder_ = &folder;
  name_ = name;
  const platform::EntryKind there = folder.kind(name);
  if (there == platform::EntryKind::kFolder) {
    workspace_.show(texts_.cannotCreate);
    return false;
  }
  replace_ = there != platform::EntryKind::kNone;
  if (replace_ && !workspace_.ask(texts_.overwrite)) return false;
  file_ = folder.createNew(ownerOnly);
  if (file_.isOpen()) return true;
  workspace_.show(texts_.cannotCreate);
  return false;
}

bool OutputFile::finish() {
  if (file_.publish(name_, replace_)) return true;
  const platform::EntryKind there = folder_->kind(name_);
  if (!replace_ && there != platform::EntryKind::kNone && there != platform::EntryKind::kFolder) {
    if (!workspace_.ask(texts_.overwrite)) {
      file_.discard();
      return false;
    }
    if (file_.publish(name_, true)) return true;
  }
  file_.discard();
  workspace_.show(texts_.cannotCreate);
  return false;
}

}  // namespace murl
