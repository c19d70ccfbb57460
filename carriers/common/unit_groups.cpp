#include "carriers/common/unit_groups.h"

namespace murl {

const ByteBitTables& byteBitTables() {
  static const ByteBitTables tables = [] {
    ByteBitTables built{};
    for (uint32_t mask = 0; mask < 256; ++mask) {
      for (uint32_t bits = 0; bits < 256; ++bits) {
        uint32_t taken = 0;
        uint32_t packed = 0;
        for (int place = 7; place >= 0; --place) {
          if (((mask >> place) & 1) == 0) continue;
          built.deposit[mask][bits] |= static_cast<uint8_t>(((bits >> (7 - taken++)) & 1) << place);
          packed = packed << 1 | ((bits >> place) & 1);
        }
        built.extract[mask][bits] = static_cast<uint8_t>(packed);
      }
    }
    return built;
  }();
  return tables;
}

}  // namespace murl
