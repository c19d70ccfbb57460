#pragma once
// A wizard collects what its job needs page by page inside the main window and starts the job's
// steps; the main window hosts its pages and brings it the jobs' completions.
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "core/job_listener.h"
#include "core/messages.h"
#include "core/options.h"
#include "ui/front_end.h"
#include "ui/job_runner.h"
#include "ui/pages.h"

class QWidget;

namespace murl {
class CarrierList;
}

namespace murl::ui {

class CarriersPage;
struct CarrierPageSetup;

class WizardHost {
 public:
  virtual ~WizardHost() = default;
  virtual FrontEnd& frontEnd() = 0;
  virtual JobRunner& jobs() = 0;
  // The window that owns message boxes and dialogs.
  virtual QWidget* owner() = 0;
  // Shows `page` (the host takes it) in place of the current page, with the page's title.
  virtual void showPage(PageId id, QWidget* page) = 0;
  // The status line at the foot of the window; an empty text brings back the help hint.
  virtual void setStatusLine(const QString& text) = 0;
  // Leaves the wizard, freeing what it holds, and shows the main menu.
  virtual void backToMainMenu() = 0;
  // Runs `work` on the worker thread; when no thread can be started the application ends with
  // "Couldn't start thread!" and this returns false.
  virtual bool startJob(std::function<void()> work) = 0;
};

class Wizard : public QObject {
 public:
  explicit Wizard(WizardHost& host) : host_(host) {}
  // Shows the first page.
  virtual void begin() = 0;
  // A job of the wizard succeeded (1020, 1025, ...).
  virtual void completed(JobCompletion completion) = 0;
  // A job of the wizard failed (its message shown) or was stopped (1000): back to the main menu,
  // unless the wizard stays.
  virtual void failed();
  // Frees everything the wizard collected (files, carriers, temporary files, password). No job
  // runs when it is called.
  virtual void release() = 0;

 protected:
  Language language() { return host_.frontEnd().language(); }
  Workspace& workspace() { return host_.frontEnd().workspace(); }
  // The folder for the targets, asked until one is chosen; nothing when the user gave up and
  // wants the main menu back.
  std::optional<std::string> outputFolder();
  // Runs `work` on the worker with jobOptions_ set to the settings as they are now: every job
  // reads the Options Panel's settings as it starts.
  bool startJob(std::function<void(const Options&)> work);
  using AddCarriers =
      std::function<void(const std::vector<std::string>& paths, const Options& options)>;
  // Shows the carriers page of `list` as page `id`. Carriers chosen or dropped are added by `add`
  // as a job; the page is drawn again once it is over.
  CarriersPage* showCarriers(PageId id, CarrierList& list, CarrierPageSetup setup, AddCarriers add);

  WizardHost& host_;
  Options jobOptions_;  // the settings the running job took
};

}  // namespace murl::ui
