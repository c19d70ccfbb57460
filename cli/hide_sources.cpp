// The source side of "hide": the files and folders named on the command line become the source
// tree and then the enciphered stream. Kept apart from the carrier side so each file includes
// only the engine headers it needs.
#include <ostream>

#include "cli/command.h"
#include "cli/texts.h"
#include "jobs/hiding_job.h"
#include "platform/folders.h"
#include "stream/source_tree.h"

namespace murl::cli {
namespace {

// A folder is added like "Add Folder": under its own name, then scanned; "/" goes straight
// into the root. False when the user (or a limit) stopped the adding.
bool addSource(Session& session, SourceTree& tree, std::string path) {
  Workspace& workspace = session.workspace;
  if (!platform::isFolder(path))
    return tree.addFile(workspace, tree.root(), path) <= SourceAddResult::kAdded;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  bool added = false;
  if (path == "/")
    return tree.scanFolder(workspace, tree.root(), "/", added) == SourceAddResult::kAdded;
  SourceAddResult result = tree.addSubfolder(workspace, tree.root(), platform::baseName(path));
  if (result != SourceAddResult::kAdded) return result == SourceAddResult::kSkipped;
  SourceFolder& folder = tree.root().subfolder(tree.root().subfolderCount() - 1);
  return tree.scanFolder(workspace, folder, path, added) == SourceAddResult::kAdded;
}

}  // namespace

bool buildStreamFromSources(Session& session, const std::vector<std::string>& sources,
                            HidingJob& job) {
  SourceTree tree;
  for (const std::string& path : sources)
    if (!addSource(session, tree, path)) return false;
  if (tree.fileCount() == 0) {
    session.err << text(Text::kNoSourceFiles, session.language) << "\n";
    return false;
  }
  tree.sort();
  return job.buildStream(tree);
}

}  // namespace murl::cli
