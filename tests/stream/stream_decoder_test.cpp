// The decoder that runs beside the gathering gives the same bytes as decoding a gathered file,
// whatever the sizes the gathered bytes come in, and a stop, an abandoned gathering or bad data
// in the middle ends it with at most one message and no thread left behind.
#include "stream/stream_decoder.h"

#include "hidden_stream_fixture.h"

namespace murl::stream_test {
namespace {

enum class Twist : uint8_t {
  kNone,
  kTrailingBits,      // the carriers hold more bits than the stream
  kChangedByte,       // a byte of the second piece changed
  kShortInput,        // the gathering ends halfway through
  kTooFewBits,        // the carriers' bits are fewer than the length field says
  kStopWhileFeeding,  // the job is stopped halfway through the gathering
  kAbandoned,         // the gathering fails halfway: the decoder is let go unfinished
  kClosingAtEnd,      // the application closes as the decoding is waited for
};

struct Row {
  const char* name;
  size_t chunk;  // bytes per write of the gatherer
  Twist twist;
  std::optional<MessageId> message;  // none: success, or an end without a message
  bool succeeds;
};

TEST_F(HiddenStreamTest, DecoderBesideTheGatheringMatchesTheGatheredFile) {
  // A full piece and a part of random content, which is stored, not compressed.
  addRootFile("r.bin", randomBytes(kCodecArea + 5000, 4));
  addRootFile("t.txt", Bytes(70000, 'q'));
  TempFile stream;
  ASSERT_TRUE(write(stream));
  const Bytes gathered = bytesOf(stream);
  const Bytes reference = decode(stream);
  ASSERT_GT(gathered.size(), kCipherBlockSize + 4000);

  const Row rows[] = {
      {"whole writes", gathered.size(), Twist::kNone, {}, true},
      {"sink-sized writes", kSinkBufferSize, Twist::kNone, {}, true},
      {"odd small writes", 4093, Twist::kNone, {}, true},
      {"more bits than the stream", kSinkBufferSize, Twist::kTrailingBits, {}, true},
      {"changed byte", kSinkBufferSize, Twist::kChangedByte, MessageId::kInvalidData, false},
      {"short input", 100000, Twist::kShortInput, MessageId::kCouldntReadTempFile, false},
      {"too few bits", kSinkBufferSize, Twist::kTooFewBits, MessageId::kInvalidData, false},
      {"stopped while feeding", 100000, Twist::kStopWhileFeeding, {}, false},
      {"abandoned", 100000, Twist::kAbandoned, {}, false},
      {"closing at the end", kSinkBufferSize, Twist::kClosingAtEnd, {}, false},
  };
  const size_t threadsBefore = threadCount();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    reporter.clear();
    listener.percents.clear();
    ws.stop = false;
    ws.closing = false;
    Bytes input = gathered;
    if (row.twist == Twist::kTrailingBits) {
      const Bytes extra = randomBytes(3 * kSinkBufferSize + 11, 5);
      input.insert(input.end(), extra.begin(), extra.end());
    }
    if (row.twist == Twist::kChangedByte) input[kCipherBlockSize + 100] ^= 0x20;
    const uint64_t gatheredBytes =
        row.twist == Twist::kTooFewBits ? input.size() - 1 : uint64_t{input.size()};
    const size_t halfway = input.size() / 2;

    TempFile decoded;
    ASSERT_TRUE(decoded.create(ws));
    bool finished = false;
    uint64_t length = 0;
    {
      StreamDecoder decoder(ws, gatheredBytes, decoded.file());
      bool abandoned = false;
      for (size_t at = 0; at < input.size(); at += row.chunk) {
        if (at >= halfway && row.twist == Twist::kShortInput) break;
        if (at >= halfway && row.twist == Twist::kStopWhileFeeding) ws.stop = true;
        if (at >= halfway && (abandoned = row.twist == Twist::kAbandoned)) break;
        const size_t n = std::min(row.chunk, input.size() - at);
        ASSERT_TRUE(decoder.input().writeExact(input.data() + at, n));
      }
      if (row.twist == Twist::kClosingAtEnd) ws.closing = true;
      if (!abandoned) finished = decoder.finish(listener, length);
    }
    EXPECT_EQ(threadCount(), threadsBefore);
    EXPECT_EQ(finished, row.succeeds);
    const std::vector<MessageId> expected =
        row.message ? std::vector<MessageId>{*row.message} : std::vector<MessageId>{};
    EXPECT_EQ(reporter.shownIds(), expected);
    if (row.succeeds) {
      EXPECT_EQ(length, reference.size());
      EXPECT_EQ(bytesOf(decoded), reference);
      ASSERT_FALSE(listener.percents.empty());
      EXPECT_EQ(listener.percents.back(), 100);
    }
  }
}

}  // namespace
}  // namespace murl::stream_test
