#include "jobs/target_writer.h"

#include "platform/file_system.h"
#include "platform/folders.h"

namespace murl {

std::string targetPath(const std::string& outputFolder, const std::string& name) {
  return outputFolder.empty() ? "/" + name : platform::joinPath(outputFolder, name);
}

bool targetsApartFromSources(const std::vector<CarrierEntry>& carriers,
                             const std::string& outputFolder, Workspace& workspace) {
  for (const CarrierEntry& carrier : carriers) {
    if (workspace.fileSystem.sameFile(carrier.path,
                                      targetPath(outputFolder, platform::baseName(carrier.path)))) {
      workspace.show(MessageId::kTargetIsSource);
      return false;
    }
  }
  return true;
}

bool writeTarget(const std::string& source, const std::string& target, Workspace& workspace,
                 const TargetWriting& write) {
  platform::FileSystem& files = workspace.fileSystem;
  platform::File src = files.openRead(source);
  if (!src.isOpen()) {
    workspace.show(MessageId::kCouldntOpenSourceFile);
    return false;
  }
  if (files.fileExists(target) && !workspace.ask(MessageId::kTargetExistsOverwrite)) return false;
  platform::File dst = files.createTruncate(target);
  if (!dst.isOpen()) {
    workspace.show(MessageId::kCouldntCreateTargetFile);
    return false;
  }
  if (write(src, dst)) return true;
  files.wipeAndDelete(dst, target);
  return false;
}

}  // namespace murl
