#pragma once
// What the desktop application holds for its whole run: the dialogs it shows, the Reporter
// chain that brings a worker's messages and questions to the interface thread, the Workspace
// (buffers, flags, random source) and the pictures. Made once at start-up; a test makes one per
// case with scripted dialogs.
#include <QObject>
#include <memory>

#include "core/options.h"
#include "core/worker_reporter.h"
#include "core/workspace.h"
#include "platform/file_system.h"
#include "ui/artwork.h"
#include "ui/dialogs.h"

namespace murl::ui {

class FrontEnd {
 public:
  FrontEnd(Dialogs& dialogs, Language language, const Artwork& artwork,
           platform::FileSystem& fileSystem = platform::realFileSystem());
  FrontEnd(const FrontEnd&) = delete;
  FrontEnd& operator=(const FrontEnd&) = delete;

  Dialogs& dialogs() { return dialogs_; }
  Workspace& workspace() { return workspace_; }
  // What a worker's questions wait on; closed when the application quits.
  WorkerReporter& workerReporter() { return worker_; }
  // Message boxes belong to this window once it exists.
  void setOwner(QWidget* owner) { direct_.setOwner(owner); }
  // The boxes of the engine's messages, on the interface thread.
  DialogReporter& messageBoxes() { return direct_; }
  Language language() const { return workspace_.language; }
  Artwork& artwork() { return artwork_; }
  // The settings of the Options Panel, kept for the run; every job takes its own copy.
  Options& settings() { return settings_; }

 private:
  Dialogs& dialogs_;
  DialogReporter direct_;
  WorkerReporter worker_;
  Workspace workspace_;
  Artwork artwork_;
  Options settings_;
  // Tasks a worker posts run in its name; it goes first, so none runs on a half-gone front end.
  std::unique_ptr<QObject> postTarget_;
};

}  // namespace murl::ui
