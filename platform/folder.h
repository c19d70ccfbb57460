#pragma once
// Work done inside one open folder, by single-component names looked up in that folder alone:
// no link below it is ever followed, whatever is planted there before or during the work.
// Extraction walks down the hidden tree through these, and the jobs that write carriers hold
// their output folder (and its lock) through one. Folders come from FileSystem::openFolder.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/file.h"
#include "platform/folders.h"

namespace murl::platform {

// How a NewFile takes its name: made by the folder that created the file.
class NewFileNaming {
 public:
  virtual ~NewFileNaming() = default;
  virtual bool setAttributes(uint32_t attributes) = 0;
  virtual bool publish(const std::string& name, bool replace) = 0;
  // Drops whatever name the file was given while it was written (none where the system allows
  // a file without one).
  virtual void forget() = 0;
};

// A file being written in a folder. It has no name there until publish(), so a failure, a stop,
// or the end of the process (even killed) leaves neither a partial file nor a lost older one.
class NewFile {
 public:
  NewFile() = default;
  NewFile(File file, std::unique_ptr<NewFileNaming> naming);
  // An unpublished file is discarded.
  ~NewFile();
  NewFile(NewFile&&) noexcept = default;
  NewFile& operator=(NewFile&&) noexcept;
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  bool isOpen() const { return file_.isOpen(); }
  File& file() { return file_; }
  // Applies an attributes word to the file itself, as FileSystem::setFileAttributes does.
  bool setAttributes(uint32_t attributes);
  // Gives the complete file the name `name` in its folder and closes it. With `replace`,
  // whatever has that name (a file or a link, never what a link leads to) is replaced; without,
  // the name must be free. False when it cannot be named: the file stays open and unnamed.
  bool publish(const std::string& name, bool replace);
  // Zeros over the whole content, synced, then closed and forgotten: nothing readable is left.
  bool discard();

  // For wrappers (the tests' failing file systems), which rebuild a NewFile around its parts.
  std::unique_ptr<NewFileNaming> takeNaming() { return std::move(naming_); }

 private:
  File file_;
  std::unique_ptr<NewFileNaming> naming_;
};

class FolderImpl {
 public:
  virtual ~FolderImpl() = default;
  virtual EntryKind kind(const std::string& name) = 0;
  virtual std::optional<FileId> id(const std::string& name) = 0;
  virtual std::unique_ptr<FolderImpl> openSubfolder(const std::string& name) = 0;
  virtual bool createSubfolder(const std::string& name) = 0;
  virtual bool removeSubfolder(const std::string& name) = 0;
  virtual NewFile createNew(bool ownerOnly) = 0;
  virtual bool lock() = 0;
};

// An open folder; move-only. Every name given to it is one component, never holding "/".
class Folder {
 public:
  Folder() = default;
  explicit Folder(std::unique_ptr<FolderImpl> impl) : impl_(std::move(impl)) {}

  bool isOpen() const { return impl_ != nullptr; }
  void close() { impl_.reset(); }

  // What the name itself is; a link is kOther whatever it leads to.
  EntryKind kind(const std::string& name) { return impl_ ? impl_->kind(name) : EntryKind::kNone; }
  // What the name leads to, links followed; none when nothing does.
  std::optional<FileId> id(const std::string& name) {
    return impl_ ? impl_->id(name) : std::nullopt;
  }
  // The subfolder of that name; not open when the name is not a folder or is a link.
  Folder openSubfolder(const std::string& name) {
    return impl_ ? Folder(impl_->openSubfolder(name)) : Folder();
  }
  // Creates a subfolder (permissions as the umask allows); false when anything has the name.
  bool createSubfolder(const std::string& name) { return impl_ && impl_->createSubfolder(name); }
  // Removes a subfolder that is empty; false for anything else.
  bool removeSubfolder(const std::string& name) { return impl_ && impl_->removeSubfolder(name); }
  // A new file with no name yet (see NewFile); owner-only, or as the umask allows.
  NewFile createNew(bool ownerOnly = false) {
    return impl_ ? impl_->createNew(ownerOnly) : NewFile();
  }
  // Takes the folder's exclusive advisory lock without waiting; false when another holder (this
  // process or another) has it. Held until the Folder is closed.
  bool lock() { return impl_ && impl_->lock(); }

  // For wrappers (the tests' failing file systems).
  FolderImpl* impl() { return impl_.get(); }
  std::unique_ptr<FolderImpl> takeImpl() { return std::move(impl_); }

 private:
  std::unique_ptr<FolderImpl> impl_;
};

}  // namespace murl::platform
