#include "stream/extraction.h"

#include <algorithm>

#include "platform/folders.h"

namespace murl {
namespace {

constexpr size_t kMaxPath = 0xFFFF;  // path buffer of the extraction, in characters
constexpr size_t kPiece = 0x400000;

}  // namespace

bool Extractor::extractSelected(const ExtractionFolder& folder, const std::vector<size_t>& items,
                                const std::string& outputFolder) {
  std::string path = outputFolder;
  if (path.empty() || !platform::isPathSeparator(path.back())) path += '/';
  for (size_t item : items)
    if (!extractItem(folder, item, path)) return false;
  listener_.status(StatusLabel::kValue1, "");
  workspace_.show(MessageId::kExtractionCompleted);
  return true;
}

bool Extractor::extractAll(const ExtractionTree& tree, const std::string& outputFolder) {
  std::vector<size_t> items(tree.root().itemCount());
  for (size_t i = 0; i < items.size(); ++i) items[i] = i;
  return extractSelected(tree.root(), items, outputFolder);
}

bool Extractor::extractItem(const ExtractionFolder& folder, size_t item, std::string& path) {
  if (workspace_.interrupted()) return false;
  if (item < folder.subfolders.size()) return extractFolder(*folder.subfolders[item], path);
  item -= folder.subfolders.size();
  return item < folder.files.size() && extractFile(folder.files[item], path);
}

bool Extractor::extractFolder(const ExtractionFolder& folder, std::string& path) {
  if (path.size() + folder.name.size() + 1 > kMaxPath) {
    workspace_.show(MessageId::kFolderNameTooLong);
    return false;
  }
  size_t cut = path.size();
  path += folder.name;
  listener_.status(StatusLabel::kValue1, path);
  // A folder that exists is reused without a question.
  if (!files_.isFolder(path) && !files_.createFolder(path)) {
    workspace_.show(MessageId::kCouldntCreateFolder);
    return false;
  }
  path += '/';
  for (size_t i = 0; i < folder.itemCount(); ++i)
    if (!extractItem(folder, i, path)) return false;
  path.resize(cut);
  return true;
}

bool Extractor::extractFile(const ExtractedFile& file, std::string& path) {
  if (path.size() + file.name.size() > kMaxPath) {
    workspace_.show(MessageId::kFileNameTooLong);
    return false;
  }
  size_t cut = path.size();
  path += file.name;
  listener_.status(StatusLabel::kValue1, path);
  // Asked for anything of that name, readable or not: the rename below would replace it.
  if (files_.pathTaken(path) && !workspace_.ask(MessageId::kFileExistsOverwrite)) return false;
  // The content goes to a file of its own first and replaces `path` only when complete, so a
  // failed write or a stop leaves neither half a file nor a lost older one.
  std::string part;
  platform::File out = files_.createBeside(path, part);
  if (!out.isOpen()) {
    workspace_.show(MessageId::kCouldntCreateFile);
    return false;
  }
  bool copied = copyContent(file, out);
  out.close();
  if (!copied) {
    files_.remove(part);
    return false;
  }
  if (!files_.rename(part, path)) {
    files_.remove(part);
    workspace_.show(MessageId::kCouldntCreateFile);
    return false;
  }
  if (file.attributes != 0) files_.setFileAttributes(path, file.attributes);
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
