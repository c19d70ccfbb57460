#pragma once
// The type lists of the file dialogs. The carrier list is made from the formats' own filters in
// the registry: first every supported file, then the images and the audios, then each format by
// name, then the modules, then every file.
#include <vector>

#include "carriers/common/format_facts.h"
#include "platform/locale.h"
#include "ui/dialogs.h"

namespace murl::ui {

// kWithModules for hiding and unhiding, kWithoutModules for authoring and checking.
using murl::CarrierChoice;

std::vector<FileFilter> carrierFilters(platform::Language language, CarrierChoice choice);
// The source files of the Hiding Wizard: any file.
std::vector<FileFilter> sourceFilters(platform::Language language);

}  // namespace murl::ui
