// A file read on one thread while another writes it: the reader never gets a byte before it is
// written, and its reading is said to hold only when the writer wrote straight through to the
// length the reader was told.
#include "platform/trailing_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/file_system.h"
#include "support/random_bytes.h"
#include "support/temp_dir.h"

namespace murl::platform {
namespace {

using Bytes = std::vector<uint8_t>;

struct Write {
  uint64_t at;
  size_t count;
};

TEST(TrailedFileTest, TheReaderWaitsForEachByteAndHoldsOnlyForAStraightWriteOfTheToldLength) {
  const Bytes content = test::randomBytes(600, 3);
  std::vector<Write> straight;
  for (uint64_t at = 0; at < content.size(); at += 37)
    straight.push_back({at, std::min<size_t>(37, content.size() - at)});
  const auto straightThen = [&](Write last) {
    std::vector<Write> writes = straight;
    writes.push_back(last);
    return writes;
  };
  const struct {
    const char* name;
    std::vector<Write> writes;
    uint64_t told;
    bool holds;
  } rows[] = {
      {"straight", straight, 600, true},
      {"in one write", {{0, 600}}, 600, true},
      {"told longer", straight, 601, false},
      {"told shorter", straight, 599, false},
      {"the head written last", straightThen({0, 10}), 600, false},
      {"the last byte written twice", straightThen({599, 1}), 600, false},
      {"a gap filled later", {{0, 100}, {300, 300}, {100, 200}}, 600, false},
      {"ended early", {{0, 100}, {100, 100}}, 600, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempDir dir;
    File file = realFileSystem().createTruncate(dir.file("t"));
    ASSERT_TRUE(file.readsAtWhileWritten());
    TrailedFile trailed(file, row.told);
    File writer = trailed.writer();
    File reader = trailed.reader();
    Bytes read(row.told);
    size_t got = 0;
    std::thread reading([&] {
      EXPECT_EQ(reader.size(), row.told);
      while (got < read.size()) {
        const size_t moved =
            reader.read(read.data() + got, std::min<size_t>(53, read.size() - got));
        got += moved;
        if (moved == 0) break;
      }
    });
    Bytes written(content.size(), 0);
    for (const Write& w : row.writes) {
      ASSERT_TRUE(writer.seek(w.at));
      ASSERT_EQ(writer.write(content.data() + w.at, w.count), w.count);
      std::copy_n(content.begin() + static_cast<ptrdiff_t>(w.at), w.count,
                  written.begin() + static_cast<ptrdiff_t>(w.at));
      std::this_thread::sleep_for(std::chrono::microseconds(300));  // the reader runs ahead
    }
    trailed.end();
    reading.join();
    EXPECT_EQ(trailed.holds(), row.holds);
    if (row.holds) {
      EXPECT_EQ(read, content);
    }
    // Every byte up to what was written or told, then a short read.
    uint64_t furthest = 0;
    for (const Write& w : row.writes) furthest = std::max(furthest, w.at + w.count);
    EXPECT_EQ(got, std::min(furthest, row.told));
    EXPECT_EQ(read.size() > furthest, reader.readFailed());
    EXPECT_FALSE(writer.truncate(0));
    EXPECT_EQ(reader.write(content.data(), 1), 0u);
  }
}

}  // namespace
}  // namespace murl::platform
