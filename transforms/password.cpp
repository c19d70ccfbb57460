#include "transforms/password.h"

#include <algorithm>

namespace murl {

bool Password::accepted(std::string_view first, std::string_view second) {
  return first.size() >= kMinLength && first.size() <= kMaxLength && first == second;
}

void Password::take(std::string_view text) {
  clear();
  length_ = std::min(text.size(), kMaxLength);
  std::copy_n(text.begin(), length_, p_.begin());
  for (size_t i = 0; i < length_; ++i) q_[i] = companionKeyByte(p_[i], static_cast<uint32_t>(i));
}

void Password::clear() {
  // volatile writes so the wipe is not optimised away
  volatile uint8_t* p = p_.data();
  for (size_t i = 0; i < p_.size(); ++i) p[i] = 0;
  volatile uint8_t* q = q_.data();
  for (size_t i = 0; i < q_.size(); ++i) q[i] = 0;
  length_ = 0;
}

uint8_t companionKeyByte(uint8_t passwordByte, uint32_t i) {
  // Everything in 32-bit two's complement: c is the byte widened with its sign.
  const uint32_t c = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(passwordByte)));
  auto sar1 = [](uint32_t v) { return static_cast<uint32_t>(static_cast<int32_t>(v) >> 1); };
  uint32_t t = 0;
  uint32_t q = 0;
  switch (i % 8) {
    case 0:
      t = (c * 0x6142 + (c & 0x1F) * i - i * 0x71) >> 1;
      q = (c + (t & 0xFF)) * 2;
      break;
    case 1:
      t = c * 0x4364 - (c & 0x3F) * i + i * 0x52;
      q = c - (t & 0xFF);
      break;
    case 2:
      t = (c * 0x6546 + (c & 0x5F) * i - i * 0x73) * 2;
      q = sar1(c + (t & 0xFF));
      break;
    case 3:
      t = (c * 0x4768 - (c & 0x7F) * i + i * 0x54) >> 1;
      q = (c - (t & 0xFF)) * 2;
      break;
    case 4:
      t = c * 0x694A + (c & 0x9F) * i - i * 0x75;
      q = c + (t & 0xFF);
      break;
    case 5:
      t = (c * 0x4B6C - (c & 0xAF) * i + i * 0x56) * 2;
      q = sar1(c - (t & 0xFF));
      break;
    case 6:
      t = (c * 0x6D4E + (c & 0xCF) * i - i * 0x77) >> 1;
      q = (c + (t & 0xFF)) * 2;
      break;
    default:
      t = c * 0x4F70 - (c & 0xEF) * i + i * 0x58;
      q = c - (t & 0xFF);
      break;
  }
  return static_cast<uint8_t>(q);
}

}  // namespace murl
