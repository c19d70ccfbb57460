#pragma once
// What the disk implementation's files and folders share: descriptors opened close-on-exec with
// interrupted calls retried, and the attributes word read from and applied to a file's mode.
#include <sys/stat.h>

#include <memory>
#include <string>

#include "platform/file.h"
#include "platform/folder.h"

namespace murl::platform::posix {

// openat() relative to `dir` (AT_FDCWD for plain paths), retried on EINTR; -1 on failure.
int openAt(int dir, const std::string& path, int flags, mode_t mode = 0);
// Opens a regular file without waiting on a FIFO or a device: anything else is closed again and
// refused. -1 on failure.
int openRegular(int dir, const std::string& path, int flags);
// A File over the descriptor, which it then owns; not open for -1.
File fileOf(int fd);

uint32_t attributesOf(const std::string& name, const struct stat& st);
// The mode an attributes word gives a file of mode `mode`: read-only clears every write
// permission, anything else restores the owner's.
mode_t modeFor(uint32_t attributes, mode_t mode);

// The folder at `path` (links followed), open for work by name inside it.
std::unique_ptr<FolderImpl> openFolder(const std::string& path);

}  // namespace murl::platform::posix
