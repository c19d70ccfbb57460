#pragma once
// Target carriers as the hiding and authoring jobs write them: one per source carrier, in one
// output folder held open and locked for the job, under the source's file name.
#include <functional>
#include <string>
#include <vector>

#include "carriers/common/contract.h"
#include "core/workspace.h"
#include "platform/file.h"
#include "platform/folder.h"

namespace murl {

// The output folder, then "/" unless it already ends with one, then the name.
std::string targetPath(const std::string& outputFolder, const std::string& name);

// The output folder, open and locked for as long as the Folder lives: two jobs writing into one
// folder would replace each other's targets. Not open after its message ("Another job is writing
// into the output folder!" or "Couldn't create target file!").
platform::Folder openOutputFolder(const std::string& outputFolder, Workspace& workspace);

// False, after "Target carrier is the source carrier itself!", when a carrier's target in
// `folder` would be any carrier of the job, through a link or by a second name: writing it would
// destroy a carrier before it is read.
bool targetsApartFromSources(const std::vector<CarrierEntry>& carriers, platform::Folder& folder,
                             Workspace& workspace);

// Fills a target from its open source; false after its one message, or none on a stop.
using TargetWriting = std::function<bool(platform::File& src, platform::File& dst)>;

// Opens the source ("Couldn't open source file!"), asks before the target `name` would replace
// anything of that name in `folder` (No fails without a message), lets `write` fill it under no
// name ("Couldn't create target file!" when none can be made) and names it once complete. A
// target whose writing failed leaves nothing, and an older file of its name stays as it was.
bool writeTarget(const std::string& source, platform::Folder& folder, const std::string& name,
                 Workspace& workspace, const TargetWriting& write);

}  // namespace murl
