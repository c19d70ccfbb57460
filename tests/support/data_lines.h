#pragma once
// Known-answer files under tests/data: one case a line, fields apart by spaces, "#" lines comment.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace murl::test {

// The path of tests/data/`name`.
inline std::string dataPath(const std::string& name) {
  return std::string(MURL_TEST_DATA_DIR) + "/" + name;
}

inline std::vector<uint8_t> fromHex(const std::string& hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// The fields of every case in tests/data/`name`; none when the file is missing.
inline std::vector<std::vector<std::string>> dataLines(const std::string& name) {
  std::ifstream in(dataPath(name));
  std::vector<std::vector<std::string>> cases;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    cases.emplace_back(std::istream_iterator<std::string>(fields),
                       std::istream_iterator<std::string>());
  }
  return cases;
}

}  // namespace murl::test
