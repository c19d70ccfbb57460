#include "jobs/target_writer.h"

#include <unordered_set>

#include "platform/file_system.h"
#include "platform/folders.h"
#include "stream/output_file.h"

namespace murl {

std::string targetPath(const std::string& outputFolder, const std::string& name) {
  return outputFolder.empty() ? "/" + name : platform::joinPath(outputFolder, name);
}

platform::Folder openOutputFolder(const std::string& outputFolder, Workspace& workspace) {
  platform::Folder folder = workspace.fileSystem.openFolder(outputFolder);
  if (folder.isOpen() && folder.lock()) return folder;
  workspace.show(folder.isOpen() ? MessageId::kOutputFolderBusy
                                 : MessageId::kCouldntCreateTargetFile);
  return platform::Folder();
}

bool targetsApartFromSources(const std::vector<CarrierEntry>& carriers, platform::Folder& folder,
                             Workspace& workspace) {
  std::unordered_set<platform::FileId, platform::FileIdHash> sources;
  for (const CarrierEntry& carrier : carriers)
    if (auto id = workspace.fileSystem.fileId(carrier.path)) sources.insert(*id);
  for (const CarrierEntry& carrier : carriers) {
    auto id = folder.id(platform::baseName(carrier.path));
    if (id && sources.count(*id) != 0) {
      workspace.show(MessageId::kTargetIsSource);
      return false;
    }
  }
  return true;
}

bool writeTarget(const std::string& source, platform::Folder& folder, const std::string& name,
                 Workspace& workspace, const TargetWriting& write) {
  platform::File src = workspace.fileSystem.openRead(source);
  if (!src.isOpen()) {
    workspace.show(MessageId::kCouldntOpenSourceFile);
    return false;
  }
  OutputFile dst(workspace,
                 {MessageId::kTargetExistsOverwrite, MessageId::kCouldntCreateTargetFile});
  return dst.start(folder, name) && write(src, dst.file()) && dst.finish();
}

}  // namespace murl
