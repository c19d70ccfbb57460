#pragma once
// Everything the program does to files and folders by name, behind one interface: the real disk
// (realFileSystem), memory (platform/memory_file_system.h) for fuzz targets and tests, and the
// tests' wrappers that make chosen calls fail. Library code receives the FileSystem it is to use
// (through the Workspace) and never reaches the disk another way.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/folder.h"
#include "platform/folders.h"

namespace murl::platform {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing regular file (links followed) for reading only; never waits on a FIFO or
  // a device, which are refused like folders. Check isOpen() afterwards.
  virtual File openRead(const std::string& path) = 0;
  // Opens an existing regular file for reading and writing, without truncating it.
  virtual File openReadWrite(const std::string& path) = 0;
  // Creates or truncates a file for reading and writing (permissions as the umask allows).
  virtual File createTruncate(const std::string& path) = 0;
  // Creates a new file for reading and writing with owner-only permission; fails when any
  // file, folder or link of that name already exists, so nobody can plant one in our place.
  virtual File createExclusive(const std::string& path) = 0;
  // Creates an owner-only file in the folder of `path` that no name leads to, so that nothing
  // of it is left in the folder whatever becomes of the process: the free name `path` is used
  // for an instant at most. Fails when `path` is taken.
  virtual File createAnonymous(const std::string& path) = 0;

  // Gives `from` the name `to`, replacing whatever file had that name; both in one folder.
  virtual bool rename(const std::string& from, const std::string& to) = 0;
  virtual bool remove(const std::string& path) = 0;
  // Whether a regular file of that name can be opened for reading.
  virtual bool fileExists(const std::string& path) = 0;
  // Whether anything at all has that name: a file of any permission, a folder, a link.
  virtual bool pathTaken(const std::string& path) = 0;
  // Which file or folder the name leads to, links followed; none when nothing does.
  virtual std::optional<FileId> fileId(const std::string& path) = 0;
  // The absolute path of what `path` leads to, with every link, "." and ".." resolved; empty
  // when it leads nowhere.
  virtual std::string resolvePath(const std::string& path) = 0;

  virtual bool isFolder(const std::string& path) = 0;
  // Creates one folder, owner-only or as the umask allows; true if a folder now has that name.
  virtual bool createFolder(const std::string& path, bool ownerOnly = false) = 0;
  // Opens a folder (the path's links followed) for work by name inside it; see Folder.
  virtual Folder openFolder(const std::string& path) = 0;
  // Lists a folder's entries, without "." and "..", in name order (byte-wise) so results do not
  // depend on the file system. Links are followed to tell files and folders; an entry that is
  // neither (a broken link, a FIFO, a socket, a name too long to look up) is listed as neither.
  // False when the folder cannot be read.
  virtual bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) = 0;
  // Reads the attributes word of a file or folder: on Windows the file's own attributes; on POSIX
  // systems read-only when nobody may write it, hidden for dot-names, directory for folders.
  // Normal when nothing else applies; kInvalid when absent.
  virtual uint32_t fileAttributes(const std::string& path) = 0;
  // Applies an attributes word. On Windows read-only, hidden, system and archive become the
  // file's attributes. On POSIX systems read-only clears every write permission, anything else
  // restores the owner's write permission, and the other bits have no meaning.
  virtual bool setFileAttributes(const std::string& path, uint32_t attributes) = 0;

  // Wipes the file (see wipeFile) and deletes `path`, which is deleted even when the zeros
  // cannot be written.
  bool wipeAndDelete(File& file, const std::string& path);
};

// The disk, through the operating system. One object for the whole process; it keeps no state.
FileSystem& realFileSystem();

}  // namespace murl::platform
