#pragma once
// Threads of this process, from the kernel's own list: a job that ends must leave none of its
// workers behind.
#include <dirent.h>

#include <cstddef>

namespace murl::test {

inline size_t threadCount() {
  size_t count = 0;
  if (DIR* tasks = ::opendir("/proc/self/task")) {
    while (const dirent* entry = ::readdir(tasks)) count += entry->d_name[0] != '.';
    ::closedir(tasks);
  }
  return count;
}

}  // namespace murl::test
