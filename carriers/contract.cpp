#include "carriers/contract.h"

#include <algorithm>

namespace murl {

LevelFormat levelFormatOf(CarrierType type) {
  switch (type) {
    case CarrierType::kAiff:
      return LevelFormat::kAif;
    case CarrierType::kAu:
      return LevelFormat::kAu;
    case CarrierType::kJpeg:
      return LevelFormat::kJpg;
    case CarrierType::kMp3:
      return LevelFormat::kMp3;
    case CarrierType::kPcxColour:
    case CarrierType::kPcxGrey:
      return LevelFormat::kPcx;
    case CarrierType::kPng:
      return LevelFormat::kPng;
    case CarrierType::kTga:
      return LevelFormat::kTga;
    case CarrierType::kWav:
      return LevelFormat::kWav;
    default:
      return LevelFormat::kBmp;
  }
}

bool copyBytes(platform::File& src, platform::File& dst, uint64_t count, Workspace& workspace) {
  uint8_t* buffer = workspace.workBuffer.data();
  while (count != 0) {
    if (workspace.interrupted()) return false;
    size_t piece = static_cast<size_t>(std::min<uint64_t>(count, kBufferSize));
    if (!src.readExact(buffer, piece)) {
      workspace.show(MessageId::kCouldntReadSourceFile);
      return false;
    }
    if (!dst.writeExact(buffer, piece)) {
      workspace.show(MessageId::kCouldntWriteTargetFile);
      return false;
    }
    count -= piece;
  }
  return true;
}

}  // namespace murl
