#pragma once
// Everything the program does to files and folders by name, behind one interface: the real disk
// (realFileSystem), memory (platform/memory_file_system.h) for fuzz targets and tests, and the
// tests' wrappers that make chosen calls fail. Library code receives the FileSystem it is to use
// (through the Workspace) and never reaches the disk another way.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/folders.h"

namespace murl::platform {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing file (not a folder) for reading only. Check isOpen() afterwards.
  virtual File openRead(const std::string& path) = 0;
  // Opens an existing file for reading and writing, without truncating it.
  virtual File openReadWrite(const std::string& path) = 0;
  // Creates or truncates a file for reading and writing (permissions as the umask allows).
  virtual File createTruncate(const std::string& path) = 0;
  // Creates a new file for reading and writing with owner-only permission; fails when any
  // file, folder or link of that name already exists, so nobody can plant one in our place.
  virtual File createExclusive(const std::string& path) = 0;
  // Creates a new, empty file in the folder of `path` under a name of its own (returned in
  // `partPath`), so content can be written in full before it takes the place of `path`.
  virtual File createBeside(const std::string& path, std::string& partPath) = 0;

  // Gives `from` the name `to`, replacing whatever file had that name; both in one folder.
  virtual bool rename(const std::string& from, const std::string& to) = 0;
  virtual bool remove(const std::string& path) = 0;
  // Whether a file of that name can be opened for reading.
  virtual bool fileExists(const std::string& path) = 0;
  // Whether anything at all has that name: a file of any permission, a folder, a link.
  virtual bool pathTaken(const std::string& path) = 0;
  // True when both names lead to the same file (through links too).
  virtual bool sameFile(const std::string& a, const std::string& b) = 0;

  virtual bool isFolder(const std::string& path) = 0;
  // Creates one folder (owner, group and others as the umask allows); true if it now exists.
  virtual bool createFolder(const std::string& path) = 0;
  // Lists a folder's entries, without "." and "..", in name order (byte-wise) so results do not
  // depend on the file system. Links are followed; entries that are neither files nor folders
  // (devices, sockets, broken links) are left out. False when the folder cannot be read.
  virtual bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) = 0;
  // Reads the attributes word of a file or folder: on Windows the file's own attributes; on POSIX
  // systems read-only when nobody may write it, hidden for dot-names, directory for folders.
  // Normal when nothing else applies; kInvalid when absent.
  virtual uint32_t fileAttributes(const std::string& path) = 0;
  // Applies an attributes word. On Windows read-only, hidden, system and archive become the
  // file's attributes. On POSIX systems read-only clears every write permission, anything else
  // restores the owner's write permission, and the other bits have no meaning.
  virtual bool setFileAttributes(const std::string& path, uint32_t attributes) = 0;

  // Overwrites the whole file with zero bytes in pieces of at most 4 MiB, syncs, closes it and
  // deletes `path`, which is deleted even when the zeros cannot be written. Used for every
  // temporary file and every failed target, so no hidden data is left behind.
  bool wipeAndDelete(File& file, const std::string& path);
};

// The disk, through the operating system. One object for the whole process; it keeps no state.
FileSystem& realFileSystem();

}  // namespace murl::platform
