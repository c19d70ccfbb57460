#pragma once
// The start of the desktop application, step by step: the language (from the locale, or
// --lang en|it), the thousand separator, the display, the pictures, the shared buffers, the
// random source and session number, the temporary folder, then the main window. A step that
// fails shows its message with the title "Error" and the stop icon, and the application ends.
#include <QStringList>
#include <optional>

#include "core/messages.h"

namespace murl::ui {

// What the command line asks for: the application, or only its version or help printed.
enum class StartRequest { kRun, kVersion, kHelp, kBadUsage };

// The request and the language --lang asks for (nothing when it is not given). kBadUsage for a
// language but en or it, or for an argument the program does not know.
StartRequest parseArguments(const QStringList& arguments, std::optional<Language>& language);

// The message that stops a start on this display, or nothing when it will do: at least 8 bits
// per pixel and at least 640 x 480 pixels.
std::optional<MessageId> displayFault(int bitsPerPixel, int width, int height);

// Runs the application; returns its exit status.
int runApplication(int argc, char** argv);

}  // namespace murl::ui
