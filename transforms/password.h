#pragma once
// The password P as typed and its companion key Q, derived character by character.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace murl {

class Password {
 public:
  static constexpr size_t kMinLength = 16;
  static constexpr size_t kMaxLength = 32;

  Password() = default;
  ~Password() { clear(); }
  Password(const Password&) = default;
  Password& operator=(const Password&) = default;

  // Both texts typed identically (case and spaces count, nothing trimmed), 16 to 32 characters.
  static bool accepted(std::string_view first, std::string_view second);

  // Keeps the first 32 bytes of the text and derives the companion key.
  void take(std::string_view text);
  // Zeroes both keys.
  void clear();

  size_t length() const { return length_; }
  const uint8_t* bytes() const { return p_.data(); }
  const uint8_t* companion() const { return q_.data(); }
  std::string_view text() const { return {reinterpret_cast<const char*>(p_.data()), length_}; }

 private:
  std::array<uint8_t, kMaxLength + 1> p_{};
  std::array<uint8_t, kMaxLength> q_{};
  size_t length_ = 0;
};

// Q[i] from P[i] and its position i.
uint8_t companionKeyByte(uint8_t passwordByte, uint32_t position);

}  // namespace murl
