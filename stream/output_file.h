#pragma once
// A new file written into an open folder under a name of the user's choosing (a target carrier,
// an extracted file, a report). It is asked about before it would replace anything of that name,
// is written under no name at all, and takes its name only once complete: a failure or a stop
// leaves nothing behind and any older file of that name as it was, and a link at the name is
// replaced, never followed.
#include <string>

#include "core/workspace.h"
#include "platform/folder.h"

namespace murl {

class OutputFile {
 public:
  // The questions and the message of one kind of file.
  struct Texts {
    MessageId overwrite;     // asked when the name is taken
    MessageId cannotCreate;  // shown when the file cannot be made or named
  };

  OutputFile(Workspace& workspace, Texts texts) : workspace_(workspace), texts_(texts) {}

  // Starts the file `name` in `folder`. False after `cannotCreate` (a folder has the name, or no
  // file can be made), or silently after a No to `overwrite`.
  bool start(platform::Folder& folder, const std::string& name, bool ownerOnly = false);
  platform::File& file() { return file_.file(); }
  // Applies an attributes word to the file before it is named.
  void setAttributes(uint32_t attributes) { file_.setAttributes(attributes); }
  // Names the complete file, replacing what was asked about. Something that took the name
  // meanwhile is asked about in turn. False after `cannotCreate` or a No; the file is then wiped.
  bool finish();
  // Wipes the unfinished file; nothing of it stays. Also done when the object ends unfinished.
  void discard() { file_.discard(); }

 private:
  Workspace& workspace_;
  Texts texts_;
  platform::Folder* folder_ = nullptr;
  std::string name_;
  bool replace_ = false;
  platform::NewFile file_;
};

}  // namespace murl
