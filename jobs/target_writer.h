#pragma once
// Target carriers as the hiding and authoring jobs write them: one per source carrier, in one
// output folder, under the source's file name.
#include <functional>
#include <string>
#include <vector>

#include "carriers/common/contract.h"
#include "core/workspace.h"
#include "platform/file.h"

namespace murl {

// The output folder, then "/" unless it already ends with one, then the name.
std::string targetPath(const std::string& outputFolder, const std::string& name);

// False, after "Target carrier is the source carrier itself!", when a carrier's target in
// `outputFolder` is the carrier itself: creating it would truncate the carrier before it is read.
bool targetsApartFromSources(const std::vector<CarrierEntry>& carriers,
                             const std::string& outputFolder, Workspace& workspace);

// Fills a created target from its open source; false after its one message, or none on a stop.
using TargetWriting = std::function<bool(platform::File& src, platform::File& dst)>;

// Opens the source ("Couldn't open source file!"), asks before replacing an existing target (No
// fails without a message), creates the target ("Couldn't create target file!") and lets `write`
// fill it. A target whose writing failed is wiped and deleted.
bool writeTarget(const std::string& source, const std::string& target, Workspace& workspace,
                 const TargetWriting& write);

}  // namespace murl
