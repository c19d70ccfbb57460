#include "support/audio_builder.h"

#include "platform/byte_order.h"

namespace murl::test {
namespace {

void text(std::vector<uint8_t>& out, const std::string& s) {
  out.insert(out.end(), s.begin(), s.end());
}

void sampleBytes(std::vector<uint8_t>& out, const std::vector<int16_t>& samples) {
  for (int16_t s : samples) appendBe16(out, static_cast<uint16_t>(s));
}

}  // namespace

std::vector<uint8_t> buildAiff(const std::vector<int16_t>& samples, const AiffShape& shape) {
  std::vector<uint8_t> body;
  text(body, shape.formType);
  if (shape.extraChunkFirst) {
    text(body, "NAME");
    appendBe32(body, 4);
    text(body, "test");
  }
  if (shape.oddChunkWithPad) {
    text(body, "ANNO");
    appendBe32(body, 3);
    text(body, "odd");
    body.push_back(0);
  }
  std::vector<uint8_t> common;
  text(common, "COMM");
  appendBe32(common, 18);
  appendBe16(common, shape.channels);
  appendBe32(common, static_cast<uint32_t>(samples.size() / shape.channels));
  appendBe16(common, shape.sampleSize);
  const uint8_t rate[10] = {0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0};  // 8000 as 80-bit extended
  common.insert(common.end(), rate, rate + 10);
  std::vector<uint8_t> sound;
  text(sound, "SSND");
  appendBe32(sound, static_cast<uint32_t>(8 + samples.size() * 2 + shape.ssndSizeDelta));
  appendBe32(sound, 0);
  appendBe32(sound, 0);
  sampleBytes(sound, samples);
  const auto& first = shape.soundBeforeCommon ? sound : common;
  const auto& second = shape.soundBeforeCommon ? common : sound;
  body.insert(body.end(), first.begin(), first.end());
  body.insert(body.end(), second.begin(), second.end());
  std::vector<uint8_t> out;
  text(out, "FORM");
  appendBe32(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  out.insert(out.end(), shape.trailingBytes, 0x5A);
  return out;
}

std::vector<uint8_t> buildAu(const std::vector<int16_t>& samples, const AuShape& shape) {
  std::string annotation = shape.annotation;
  annotation.resize((annotation.size() + 8) & ~size_t{7}, '\0');
  std::vector<uint8_t> out;
  text(out, ".snd");
  appendBe32(out, static_cast<uint32_t>(24 + annotation.size()));
  appendBe32(out, shape.sizeToTheEnd
                      ? 0xFFFFFFFFu
                      : static_cast<uint32_t>(samples.size() * 2 + shape.dataSizeDelta));
  appendBe32(out, shape.encoding);
  appendBe32(out, 8000);
  appendBe32(out, 1);
  text(out, annotation);
  sampleBytes(out, samples);
  out.insert(out.end(), shape.trailingBytes, 0x5A);
  return out;
}

std::vector<int16_t> swingingSamples(size_t count) {
  std::vector<int16_t> out(count);
  uint32_t h = 12345;
  for (size_t i = 0; i < count; ++i) {
    h = h * 1103515245u + 12345u;
    const int v = static_cast<int>((h >> 8) % 20001) - 10000;  // mostly beyond +-256
    out[i] = static_cast<int16_t>(i % 4 == 3 ? v / 64 : v);    // every fourth one quiet
  }
  return out;
}

}  // namespace murl::test
