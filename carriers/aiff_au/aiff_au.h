#pragma once
// 16-bit big-endian sound in AIFF (type 0) and Next/Sun AU (type 1) files: each sample is a unit,
// its unit bit the lowest bit of its second byte; samples qualify by the same loudness test as
// WAV samples, at the level of the file's own format. One handler serves both types: every
// operation tells them apart by the file's first four bytes.
#include "carriers/contract.h"

namespace murl {

const CarrierHandler& aiffAuHandler();

}  // namespace murl
