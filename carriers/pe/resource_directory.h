#pragma once
// Finding the bitmap and wave resources of a Windows PE module: the DOS, PE and section headers
// lead to the first ".rsrc" section, whose resource directory is walked type -> name -> first
// language -> data entry. Nothing else of the module is parsed.
#include <cstdint>
#include <span>
#include <vector>

#include "carriers/common/operation.h"
#include "platform/file.h"

namespace murl::pe {

enum class ResourceKind : uint8_t { kBitmap, kWave };

// Where one resource's data lies in the module file.
struct ResourceSpan {
  uint32_t offset = 0;
  uint32_t size = 0;
  ResourceKind kind = ResourceKind::kBitmap;
};

// The kind a named resource type stands for, from its UTF-16LE characters (`chars` two bytes
// each): a wave when "WAV" stands anywhere in it, else a bitmap when "BMP" does, letters compared
// without case and only on characters whose high byte is zero. Names shorter than 3 characters
// and every other name: false.
bool namedTypeKind(std::span<const uint8_t> chars, ResourceKind& kind);

// The bitmap resources (integer type 2, or a named type with "BMP") and wave resources (a named
// type with "WAV") of the module open in `src`, ordered by file offset, equal offsets in
// directory order. False, silently, when the file is no module with a resource section, has no
// bitmap or wave resource, or is malformed: a directory table, entry, name or data entry outside
// the section, a walk that would loop, a resource outside the file. False too when the operation
// is stopped.
bool findResources(const OperationContext& context, platform::File& src,
                   std::vector<ResourceSpan>& found);

}  // namespace murl::pe
