#pragma once
// The folder a murl-cli test runs in: the password in pw.txt, src/data.bin to hide and three WAV
// carriers c0.wav to c2.wav that hold it together. murl-cli runs as a separate process.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/cli_run.h"
#include "support/random_bytes.h"
#include "support/temp_dir.h"
#include "support/wav_builder.h"

namespace murl::test {

inline constexpr const char* kCliPassword = "a password for the cli";

class CliFolder : public ::testing::Test {
 protected:
  CliFolder() {
    std::filesystem::create_directory(dir.file("src"));
    writeText("pw.txt", std::string(kCliPassword) + "\n");
    writeAll(dir.file("src/data.bin"), randomBytes(3000, 5));
    for (int i = 0; i < 3; ++i) writeAll(dir.file("c" + std::to_string(i) + ".wav"), wav(12000, i));
  }

  // A WAV of `samples` noisy samples, about 22 carrier bits in 24 of them.
  static std::vector<uint8_t> wav(size_t samples, uint32_t seed) {
    WavShape shape;
    shape.samples = soundSamples(samples, samples - samples / 24, 256, 40 + seed);
    return buildWav(shape);
  }
  void writeText(const std::string& name, const std::string& text) {
    writeAll(dir.file(name), {text.begin(), text.end()});
  }
  CliResult run(const std::string& args, const std::string& env = "",
                const std::string& stdoutTo = "stdout.txt") {
    return runCli(dir, args, env, stdoutTo);
  }
  // src (or `sources`) hidden into the three carriers, written to out/.
  CliResult hide(const std::string& extra = "", const std::string& sources = "src") {
    return run("hide -o out -c c0.wav -c c1.wav -c c2.wav --password-file pw.txt " + extra + " " +
               sources);
  }

  TempDir dir;
};

inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace murl::test
