#pragma once
// Formats whose handlers are not built yet: their extensions still lead to them, so their files
// are told apart from unknown ones, but no file is a carrier of theirs. Each moves to its own
// folder when it is built.
#include "carriers/common/format_facts.h"

namespace murl {

const FormatFacts& pngFacts();

}  // namespace murl
