#pragma once
// Binary files: the only way the rest of the program reads or writes the disk.
#include <cstddef>
#include <cstdint>
#include <string>

namespace murl::platform {

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file for reading only. Check isOpen() afterwards.
  static File openRead(const std::string& path);
  // Opens an existing file for reading and writing, without truncating it.
  static File openReadWrite(const std::string& path);
  // Creates or truncates a file for reading and writing (permissions as the umask allows).
  static File createTruncate(const std::string& path);
  // Creates a new file for reading and writing with owner-only permission; fails when any
  // file, folder or link of that name already exists, so nobody can plant one in our place.
  static File createExclusive(const std::string& path);
  // Creates a new, empty file in the folder of `path` under a name of its own (returned in
  // `partPath`), so content can be written in full before it takes the place of `path`.
  static File createBeside(const std::string& path, std::string& partPath);

  bool isOpen() const { return fd_ >= 0; }
  // Both return the number of bytes moved; fewer than asked means end of file or failure.
  size_t read(void* buffer, size_t count);
  size_t write(const void* buffer, size_t count);
  bool readExact(void* buffer, size_t count) { return read(buffer, count) == count; }
  bool writeExact(const void* buffer, size_t count) { return write(buffer, count) == count; }
  bool seek(uint64_t offset);
  uint64_t position() const;
  // Current length in bytes; 0 when the file is not open.
  uint64_t size() const;
  bool truncate(uint64_t length);
  // Forces written data to the disk.
  bool sync();
  void close();

 private:
  explicit File(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// Gives `from` the name `to`, replacing whatever file had that name; both in one folder.
bool renameFile(const std::string& from, const std::string& to);

// Whether a file of that name can be opened for reading.
bool fileExists(const std::string& path);
// Whether anything at all has that name: a file of any permission, a folder, a link.
bool pathTaken(const std::string& path);
bool removeFile(const std::string& path);
// True when both names lead to the same file on disk (through links too).
bool sameFile(const std::string& a, const std::string& b);

// Overwrites the whole file with zero bytes in pieces of at most 4 MiB, closes it and deletes it.
// Used for every temporary file and every failed target, so no hidden data is left on the disk.
bool wipeAndDelete(File& file, const std::string& path);

// Test hook: makes the write call after `writes` more successful ones fail (short count).
// -1 switches it off. Lets tests prove that a failing disk leaves nothing half-written behind.
void injectWriteFailureAfter(int writes);

}  // namespace murl::platform
