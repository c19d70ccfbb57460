#pragma once
// Writing hidden files out of the decoded stream: selected items of a folder or everything,
// folders made as needed, each file's content copied from its offset and its attributes word
// restored. The output folder is held open and locked, and the walk goes down through open
// folders by name, so no link below the output folder is ever followed: a link already there, or
// swapped in meanwhile, counts as an existing item. The process's current directory is never
// changed.
#include <string>
#include <vector>

#include "core/job_listener.h"
#include "core/workspace.h"
#include "platform/file_system.h"
#include "stream/extraction_tree.h"

namespace murl {

class Extractor {
 public:
  // `decoded` is the decoded hidden stream the tree's offsets point into.
  Extractor(Workspace& workspace, JobListener& listener, platform::File& decoded)
      : workspace_(workspace), listener_(listener), decoded_(decoded) {}

  // Extracts items of `folder` (subfolders numbered first, then files), each with its whole
  // subtree, into `outputFolder`. Shows "Extraction successfully completed" when every item
  // succeeded; a failure has shown its one message, a No to an overwrite question or the stop
  // or closing flag (polled before each item and each piece) end it without one. Files already
  // written stay; the file being written when it ends leaves nothing, a file it was to replace
  // is kept as it was, and the folders this run made and left empty go again.
  bool extractSelected(const ExtractionFolder& folder, const std::vector<size_t>& items,
                       const std::string& outputFolder);
  // Every item of the root.
  bool extractAll(const ExtractionTree& tree, const std::string& outputFolder);

 private:
  bool extractItem(platform::Folder& into, const ExtractionFolder& folder, size_t item,
                   std::string& path);
  bool extractFolder(platform::Folder& into, const ExtractionFolder& folder, std::string& path);
  bool extractFile(platform::Folder& into, const ExtractedFile& file, std::string& path);
  bool copyContent(const ExtractedFile& file, platform::File& out);

  Workspace& workspace_;
  JobListener& listener_;
  platform::File& decoded_;
};

}  // namespace murl
