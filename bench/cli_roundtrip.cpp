// The whole command line at work: murl-cli hides 8 MiB of mixed files (text, incompressible and
// sparse binary) in WAV carriers and extracts them again, as separate processes. Its wall time is
// shown beside plain copies of the same carriers in the same run, and the processor time of the
// child processes beside that of cp and gzip -6 doing the copying and compressing alone.
// BM_EndToEnd times hide and unhide of 1 and 64 MiB of random or text data on their own, each
// beside its baseline run in the same iteration, and gives the ratios and each command's peak
// resident memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/byte_order.h"

namespace fs = std::filesystem;

namespace {

using murl::appendLe16;
using murl::appendLe32;
using murl::storeLe32;

constexpr int kCarriers = 4;
constexpr uint32_t kSamplesPerCarrier = 12 * 1024 * 1024;

template <class Byte>
void writeFile(const fs::path& path, const std::vector<Byte>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// Mono 16-bit PCM whose samples are all loud enough to carry a bit at every level.
std::vector<uint8_t> loudWav(uint32_t samples, uint32_t seed) {
  std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
  appendLe32(out, 36 + samples * 2);
  for (char c : std::string("WAVEfmt ")) out.push_back(c);
  appendLe32(out, 16);
  appendLe32(out, 1 | (1 << 16));  // PCM, mono
  appendLe32(out, 44100);
  appendLe32(out, 88200);
  appendLe32(out, 2 | (16 << 16));
  for (char c : std::string("data")) out.push_back(c);
  appendLe32(out, samples * 2);
  std::mt19937 random(seed);
  for (uint32_t i = 0; i < samples; ++i) {
    uint32_t r = random();
    int16_t s = static_cast<int16_t>(((r & 1) ? 1 : -1) * (0x4000 + (r >> 18)));
    appendLe16(out, static_cast<uint16_t>(s));
  }
  return out;
}

// `size` bytes of words and line ends, the kind of text that compresses well.
std::vector<char> wordsText(size_t size, std::mt19937& random) {
  const char* words[] = {"carrier ", "stream ", "bit ", "sample ", "hidden ", "folder\n"};
  std::vector<char> text;
  text.reserve(size + 16);
  while (text.size() < size)
    for (const char* c = words[random() % 6]; *c != 0; ++c) text.push_back(*c);
  text.resize(size);
  return text;
}

struct Setup {
  fs::path root;
  fs::path cli;
  std::string carrierArgs;
  uint64_t carrierBytes = 0;

  Setup() {
    root = fs::temp_directory_path() / ("murl-bench-" + std::to_string(::getpid()));
    cli = fs::canonical("/proc/self/exe").parent_path().parent_path() / "murl-cli";
    fs::create_directories(root / "src" / "text");
    fs::create_directories(root / "src" / "binary");
    for (const char* d : {"carriers", "out", "back", "copies"}) fs::create_directories(root / d);
    std::mt19937 random(1);
    for (int f = 0; f < 24; ++f)  // 3 MiB of text
      writeFile(root / "src" / "text" / ("t" + std::to_string(f) + ".txt"),
                wordsText(128 * 1024, random));
    for (int f = 0; f < 6; ++f) {  // 3 MiB incompressible, 2 MiB sparse
      std::vector<char> noise(512 * 1024);
      for (char& c : noise) c = static_cast<char>(random());
      writeFile(root / "src" / "binary" / ("n" + std::to_string(f) + ".bin"), noise);
    }
    for (int f = 0; f < 4; ++f) {
      std::vector<char> sparse(512 * 1024, 0);
      for (size_t i = 0; i < sparse.size(); i += 97) sparse[i] = static_cast<char>(random());
      writeFile(root / "src" / "binary" / ("s" + std::to_string(f) + ".bin"), sparse);
    }
    for (int c = 0; c < kCarriers; ++c) {
      std::string name = "c" + std::to_string(c) + ".wav";
      writeFile(root / "carriers" / name, loudWav(kSamplesPerCarrier, 10 + c));
      carrierArgs += " -c carriers/" + name;
      carrierBytes += fs::file_size(root / "carriers" / name);
    }
    ::setenv("MURL_PASSWORD", "a bench password of 30 chars.", 1);
  }
  ~Setup() { fs::remove_all(root); }

  bool cliRun(const std::string& args) const {
    std::string command = "cd '" + root.string() + "' && '" + cli.string() + "' " + args +
                          " --quiet --overwrite >/dev/null";
    return std::system(command.c_str()) == 0;
  }
};

// Processor time (user and system) of the finished child processes so far, in milliseconds.
double childCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void reportChildCpu(benchmark::State& state, double before) {
  state.counters["child_cpu_ms"] =
      (childCpuMs() - before) / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
}

Setup& setup() {
  static Setup instance;
  return instance;
}

void BM_CliHideUnhide8MiB(benchmark::State& state) {
  Setup& s = setup();
  const double cpuBefore = childCpuMs();
  for (auto _ : state) {
    // hide leaves out the carriers it does not need ("Enough carriers already added!").
    bool hidden = s.cliRun("hide -o out" + s.carrierArgs + " src");
    std::string targets;
    for (int c = 0; c < kCarriers; ++c) {
      std::string name = "out/c" + std::to_string(c) + ".wav";
      if (fs::exists(s.root / name)) targets += " " + name;
    }
    if (!hidden || !s.cliRun("unhide -o back" + targets)) {
      state.SkipWithError("murl-cli failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 8 * 1024 * 1024);
  state.counters["carrier_MB"] = static_cast<double>(s.carrierBytes) / 1e6;
  reportChildCpu(state, cpuBefore);
}

// Baseline for the processor time: cp of the carriers twice, gzip -6 of the payload and
// gzip -d of the result, each a process as murl-cli is.
void BM_CpAndGzipAlone(benchmark::State& state) {
  Setup& s = setup();
  const double cpuBefore = childCpuMs();
  for (auto _ : state) {
    const std::string command = "cd '" + s.root.string() +
                                "' && cp carriers/* copies/ && cp carriers/* copies/ && "
                                "tar cf - src | gzip -6 > copies/src.tar.gz && "
                                "gzip -d < copies/src.tar.gz > /dev/null";
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("cp or gzip failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 8 * 1024 * 1024);
  reportChildCpu(state, cpuBefore);
}

// Baseline: the carriers' bytes copied twice (written once by hide, read once by unhide).
void BM_CopyCarriersTwice(benchmark::State& state) {
  Setup& s = setup();
  for (auto _ : state) {
    for (int round = 0; round < 2; ++round)
      for (const auto& entry : fs::directory_iterator(s.root / "carriers"))
        fs::copy_file(entry.path(), s.root / "copies" / entry.path().filename(),
                      fs::copy_options::overwrite_existing);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 8 * 1024 * 1024);
  state.counters["carrier_MB"] = static_cast<double>(s.carrierBytes) / 1e6;
}

// One WAV of `samples` loud samples, 1 bit each at level 3, written without holding it whole.
void writeLoudWav(const fs::path& path, uint32_t samples, uint32_t seed) {
  std::ofstream out(path, std::ios::binary);
  constexpr uint32_t kSlice = 1 << 22;
  for (uint32_t done = 0; done < samples; done += kSlice) {
    std::vector<uint8_t> part = loudWav(std::min(kSlice, samples - done), seed + done);
    const size_t skip = done == 0 ? 0 : 44;  // one header, for the whole count
    if (done == 0) {
      storeLe32(part.data() + 4, 36 + samples * 2);
      storeLe32(part.data() + 40, samples * 2);
    }
    out.write(reinterpret_cast<const char*>(part.data() + skip),
              static_cast<std::streamsize>(part.size() - skip));
  }
}

// Processor and wall time summed over the runs of one kind of command, and the largest peak
// resident memory of any of its processes.
struct Cost {
  double wallMs = 0;
  double cpuMs = 0;
  long peakKb = 0;
};

// How this program is started to run one command and report its peak resident memory.
constexpr const char* kPeakOf = "--peak-of";
constexpr int kPeakFd = 3;

// Runs `line` through the shell and returns its peak resident memory in KiB, read back from a
// copy of this program started as the command's parent. A process's recorded peak survives exec,
// so a child forked straight from this (large) process would report at least this process's
// size; the fresh copy is small, and its children's peak is the command's own. False on failure.
bool runAlone(const std::string& line, long& peakKb) {
  int report[2];
  if (::pipe(report) != 0) return false;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(report[0]);
    if (::dup2(report[1], kPeakFd) < 0) ::_exit(127);
    ::execl("/proc/self/exe", "bench_cli_roundtrip", kPeakOf, line.c_str(), nullptr);
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 1;
  const bool got = child > 0 && ::read(report[0], &peakKb, sizeof peakKb) == sizeof peakKb;
  ::close(report[0]);
  if (child > 0) ::waitpid(child, &status, 0);
  return got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The copy's work: runs the command, then writes its children's peak resident memory to kPeakFd.
int reportPeakOf(const char* line) {
  const int status = std::system(line);
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const long peak = usage.ru_maxrss;
  const bool sent = ::write(kPeakFd, &peak, sizeof peak) == sizeof peak;
  return status == 0 && sent ? 0 : 1;
}

// Runs `command` in `root` and adds its times to `cost`; false (nothing added) when it failed.
bool timed(const fs::path& root, const std::string& command, Cost& cost) {
  const double cpuBefore = childCpuMs();
  const auto start = std::chrono::steady_clock::now();
  long peakKb = 0;
  if (!runAlone("cd '" + root.string() + "' && " + command, peakKb)) return false;
  cost.wallMs +=
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  cost.cpuMs += childCpuMs() - cpuBefore;
  cost.peakKb = std::max(cost.peakKb, peakKb);
  return true;
}

// Carriers enough for 64 MiB of random data (8 x 140 MB) and the payloads, made once.
struct LargeSetup {
  static constexpr int kCarriers = 8;
  static constexpr uint32_t kSamples = 70 * 1000 * 1000;
  fs::path root;
  std::string cli;

  LargeSetup() {
    root = fs::temp_directory_path() / ("murl-bench-e2e-" + std::to_string(::getpid()));
    cli = "'" + setup().cli.string() + "' ";
    for (const char* d : {"carriers", "out", "back", "copies"}) fs::create_directories(root / d);
    for (int c = 0; c < kCarriers; ++c)
      writeLoudWav(root / "carriers" / ("c" + std::to_string(c) + ".wav"), kSamples, 50 + c);
  }
  ~LargeSetup() { fs::remove_all(root); }

  // The folder holding one payload file of `mib` MiB: random bytes or words of text.
  std::string payload(int64_t mib, bool text) {
    std::string name = std::string(text ? "text" : "random") + std::to_string(mib);
    if (fs::exists(root / name)) return name;
    fs::create_directories(root / name);
    const size_t size = static_cast<size_t>(mib) << 20;
    std::mt19937 random(static_cast<uint32_t>(mib));
    std::vector<char> bytes;
    if (text) {
      bytes = wordsText(size, random);
    } else {
      bytes.resize(size);
      for (char& c : bytes) c = static_cast<char>(random());
    }
    writeFile(root / name / "data", bytes);
    return name;
  }

  // The paths in `folder` of the carriers that `present` holds, in carrier order, as arguments.
  std::string listed(const char* present, const char* folder, const char* prefix) const {
    std::string args;
    for (int c = 0; c < kCarriers; ++c) {
      const std::string name = "/c" + std::to_string(c) + ".wav";
      if (fs::exists(root / (present + name))) args += prefix + (folder + name);
    }
    return args;
  }

  void clearOutputs() {
    for (const char* d : {"out", "back", "copies"}) {
      fs::remove_all(root / d);
      fs::create_directories(root / d);
    }
  }
};

void BM_EndToEnd(benchmark::State& state) {
  static LargeSetup s;
  const std::string payload = s.payload(state.range(0), state.range(1) != 0);
  const std::string quiet = " --quiet --overwrite >/dev/null";
  Cost hide, copyAndGzip, unhide, copyAndGunzip;
  for (auto _ : state) {
    state.PauseTiming();
    s.clearOutputs();
    state.ResumeTiming();
    bool ok = timed(
        s.root,
        s.cli + "hide -o out" + s.listed("carriers", "carriers", " -c ") + " " + payload + quiet,
        hide);
    // hide leaves out the carriers it does not need: the baselines copy those it wrote.
    const std::string used = s.listed("out", "out", " ");
    const std::string usedCarriers = s.listed("out", "carriers", " ");
    ok = ok &&
         timed(s.root, "cp" + usedCarriers + " copies/ && gzip -6 < " + payload + "/data > p.gz",
               copyAndGzip) &&
         timed(s.root, s.cli + "unhide -o back" + used + quiet, unhide) &&
         timed(s.root, "cp" + used + " copies/ && gzip -d < p.gz > /dev/null", copyAndGunzip);
    if (!ok) {
      state.SkipWithError("a command failed");
      break;
    }
  }
  const double n = static_cast<double>(std::max<int64_t>(state.iterations(), 1));
  state.counters["hide_cpu_ms"] = hide.cpuMs / n;
  state.counters["hide_cpu_ratio"] = hide.cpuMs / copyAndGzip.cpuMs;
  state.counters["hide_wall_ratio"] = hide.wallMs / copyAndGzip.wallMs;
  state.counters["unhide_cpu_ms"] = unhide.cpuMs / n;
  state.counters["unhide_cpu_ratio"] = unhide.cpuMs / copyAndGunzip.cpuMs;
  state.counters["unhide_wall_ratio"] = unhide.wallMs / copyAndGunzip.wallMs;
  state.counters["base_hide_cpu_ms"] = copyAndGzip.cpuMs / n;
  state.counters["base_unhide_cpu_ms"] = copyAndGunzip.cpuMs / n;
  state.counters["hide_peak_MiB"] = static_cast<double>(hide.peakKb) / 1024;
  state.counters["unhide_peak_MiB"] = static_cast<double>(unhide.peakKb) / 1024;
}

}  // namespace

BENCHMARK(BM_EndToEnd)
    ->ArgNames({"MiB", "text"})
    ->ArgsProduct({{1, 64}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_CliHideUnhide8MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_CopyCarriersTwice)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_CpAndGzipAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == kPeakOf) return reportPeakOf(argv[2]);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
