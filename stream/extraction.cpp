#include "stream/extraction.h"

#include <algorithm>

#include "platform/folders.h"
#include "stream/output_file.h"

namespace murl {
namespace {

constexpr size_t kMaxPath = 0xFFFF;  // path buffer of the extraction, in characters
constexpr size_t kPiece = 0x400000;

}  // namespace

bool Extractor::extractSelected(const ExtractionFolder& folder, const std::vector<size_t>& items,
                                const std::string& outputFolder) {
  platform::Folder out = workspace_.fileSystem.openFolder(outputFolder);
  if (!out.isOpen()) {
    workspace_.show(MessageId::kCouldntCreateFolder);
    return false;
  }
  if (!out.lock()) {
    workspace_.show(MessageId::kOutputFolderBusy);
    return false;
  }
  std::string path = outputFolder;
  if (path.empty() || !platform::isPathSeparator(path.back())) path += '/';
  for (size_t item : items)
    if (!extractItem(out, folder, item, path)) return false;
  listener_.status(StatusLabel::kValue1, "");
  workspace_.show(MessageId::kExtractionCompleted);
  return true;
}

bool Extractor::extractAll(const ExtractionTree& tree, const std::string& outputFolder) {
  std::vector<size_t> items(tree.root().itemCount());
  for (size_t i = 0; i < items.size(); ++i) items[i] = i;
  return extractSelected(tree.root(), items, outputFolder);
}

bool Extractor::extractItem(platform::Folder& into, const ExtractionFolder& folder, size_t item,
                            std::string& path) {
  if (workspace_.interrupted()) return false;
  if (item < folder.subfolders.size()) return extractFolder(into, *folder.subfolders[item], path);
  item -= folder.subfolders.size();
  return item < folder.files.size() && extractFile(into, folder.files[item], path);
}

bool Extractor::extractFolder(platform::Folder& into, const ExtractionFolder& folder,
                              std::string& path) {
  if (path.size() + folder.name.size() + 1 > kMaxPath) {
    workspace_.show(MessageId::kFolderNameTooLong);
    return false;
  }
  size_t cut = path.size();
  path += folder.name;
  listener_.status(StatusLabel::kValue1, path);
  // A folder that exists is reused without a question; a link of that name is not a folder.
  const bool made =
      into.kind(folder.name) == platform::EntryKind::kNone && into.createSubfolder(folder.name);
  platform::Folder sub = into.openSubfolder(folder.name);
  bool done = sub.isOpen();
  if (!done) workspace_.show(MessageId::kCouldntCreateFolder);
  path += '/';
  for (size_t i = 0; done && i < folder.itemCount(); ++i) done = extractItem(sub, folder, i, path);
  sub.close();
  // A failed run takes back the folders it made, as far as they are still empty.
  if (!done && made) into.removeSubfolder(folder.name);
  path.resize(cut);
  return done;
}

bool Extractor::extractFile(platform::Folder& into, const ExtractedFile& file, std::string& path) {
  if (path.size() + file.name.size() > kMaxPath) {
    workspace_.show(MessageId::kFileNameTooLong);
    return false;
  }
  size_t cut = path.size();
  path += file.name;
  listener_.status(StatusLabel::kValue1, path);
  OutputFile out(workspace_, {MessageId::kFileExistsOverwrite, MessageId::kCouldntCreateFile});
  if (!out.start(into, file.name) || !copyContent(file, out.file())) return false;
  if (file.attributes != 0) out.setAttributes(file.attributes);
  if (!out.finish()) return false;
  path.resize(cut);
  return true;
}

bool Extractor::copyContent(const ExtractedFile& file, platform::File& out) {
  if (!decoded_.seek(file.offset)) {
    workspace_.show(MessageId::kCouldntReadTempFile);
    return false;
  }
  uint8_t* buffer = workspace_.workBuffer.data();
  for (uint64_t left = file.size; left > 0;) {
    if (workspace_.interrupted()) return false;
    size_t piece = static_cast<size_t>(std::min<uint64_t>(left, kPiece));
    if (!decoded_.readExact(buffer, piece)) {
      workspace_.show(MessageId::kCouldntReadTempFile);
      return false;
    }
    if (!out.writeExact(buffer, piece)) {
      workspace_.show(MessageId::kCouldntWriteFile);
      return false;
    }
    left -= piece;
  }
  return true;
}

}  // namespace murl
