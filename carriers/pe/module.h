#pragma once
// Windows PE modules (type 4) as carriers through their bitmap and wave resources: each usable
// resource is a bitmap or wave carrier of its own kind inside the module, and the module's
// carrier bits are theirs added up, in the order the resources lie in the file. Hide copies the
// module, then rewrites each resource's units in place; nothing else of the module changes, no
// header field or checksum included. Modules can be neither marked nor checked.
#include "carriers/common/format_facts.h"

namespace murl {

// count(): the resources its bitmap or wave count accepts become the record's parts, in offset
// order; a module whose bitmaps and waves all fail their counts is a carrier of 0 bits.
const CarrierHandler& moduleHandler();

const FormatFacts& moduleFacts();

}  // namespace murl
