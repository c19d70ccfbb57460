#include "cli/escaping.h"

#include <cstdint>
#include <cstdio>

namespace murl::cli {
namespace {

bool within(uint8_t byte, uint8_t low, uint8_t high) { return byte >= low && byte <= high; }

// The length of the well-formed UTF-8 sequence at the start of `bytes` (no overlong forms, no
// surrogates, nothing past U+10FFFF), or 0 when it begins none.
size_t sequenceLength(std::string_view bytes) {
  const auto at = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
  const uint8_t lead = at(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint8_t low = 0x80;  // the range of the second byte; later ones are always 80..BF
  uint8_t high = 0xBF;
  if (within(lead, 0xC2, 0xDF)) {
    length = 2;
  } else if (within(lead, 0xE0, 0xEF)) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (within(lead, 0xF0, 0xF4)) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (bytes.size() < length || !within(at(1), low, high)) return 0;
  for (size_t i = 2; i < length; ++i)
    if (!within(at(i), 0x80, 0xBF)) return 0;
  return length;
}

// C0 controls, DEL, and the C1 controls U+0080 to U+009F (written C2 80 to C2 9F).
bool isControl(std::string_view sequence) {
  const auto lead = static_cast<uint8_t>(sequence[0]);
  if (sequence.size() == 1) return lead < 0x20 || lead == 0x7F;
  return lead == 0xC2 && static_cast<uint8_t>(sequence[1]) < 0xA0;
}

// The character a control sequence or a stray byte stands for: U+0000 to U+00FF.
unsigned latin1Value(std::string_view piece) {
  if (piece.size() == 2) return static_cast<uint8_t>(piece[1]);  // C2 80..9F
  return static_cast<uint8_t>(piece[0]);
}

// Calls `emit(piece, wellFormed)` for each well-formed sequence and each stray byte in turn.
template <class Emit>
void walk(std::string_view bytes, Emit emit) {
  while (!bytes.empty()) {
    const size_t length = sequenceLength(bytes);
    emit(bytes.substr(0, length == 0 ? 1 : length), length != 0);
    bytes.remove_prefix(length == 0 ? 1 : length);
  }
}

}  // namespace

std::string jsonString(std::string_view bytes) {
  std::string json = "\"";
  walk(bytes, [&json](std::string_view piece, bool wellFormed) {
    if (piece == "\"" || piece == "\\") {
      json += '\\';
      json += piece;
    } else if (piece == "\n") {
      json += "\\n";
    } else if (piece == "\t") {
      json += "\\t";
    } else if (!wellFormed || isControl(piece)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", latin1Value(piece));
      json += escape;
    } else {
      json += piece;
    }
  });
  return json + "\"";
}

std::string terminalText(std::string_view bytes, bool keepLineBreaks) {
  static constexpr std::string_view kNamed = "\a\b\t\n\v\f\r";
  static constexpr std::string_view kLetters = "abtnvfr";
  std::string text;
  walk(bytes, [&](std::string_view piece, bool wellFormed) {
    if (piece == "\\") {
      text += "\\\\";
    } else if (piece == "\n" && keepLineBreaks) {
      text += piece;
    } else if (wellFormed && !isControl(piece)) {
      text += piece;
    } else if (size_t named = kNamed.find(piece); piece.size() == 1 && named != kNamed.npos) {
      text += '\\';
      text += kLetters[named];
    } else {
      for (unsigned char byte : piece) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\%03o", byte);
        text += escape;
      }
    }
  });
  return text;
}

}  // namespace murl::cli
