#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace murl::test {

// A fresh folder under the system's temporary folder, removed with everything in it on scope exit.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

std::vector<uint8_t> readAll(const std::string& path);
void writeAll(const std::string& path, const std::vector<uint8_t>& bytes);
// Names of the files in a folder, sorted; used to prove nothing was left behind.
std::vector<std::string> folderNames(const std::string& path);

}  // namespace murl::test
