#pragma once
// The type lists of the file dialogs. The carrier list is made from the formats' own filters in
// the registry: first every supported file, then the images and the audios, then each format by
// name, then the modules, then every file.
#include <vector>

#include "platform/locale.h"
#include "ui/dialogs.h"

namespace murl::ui {

enum class CarrierChoice : uint8_t {
  kWithModules,     // hiding and unhiding
  kWithoutModules,  // authoring and checking: modules cannot be marked
};

std::vector<FileFilter> carrierFilters(platform::Language language, CarrierChoice choice);
// The source files of the Hiding Wizard: any file.
std::vector<FileFilter> sourceFilters(platform::Language language);

}  // namespace murl::ui
