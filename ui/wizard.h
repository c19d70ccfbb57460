#pragma once
// A wizard collects what its job needs page by page inside the main window and starts the job's
// steps; the main window hosts its pages and brings it the jobs' completions.
#include <QObject>
#include <QString>
#include <functional>

#include "core/job_listener.h"
#include "core/messages.h"
#include "ui/front_end.h"
#include "ui/job_runner.h"
#include "ui/pages.h"

class QWidget;

namespace murl::ui {

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
  // A job of the wizard succeeded (1020, 1025, ...); failures return to the menu without it.
  virtual void completed(JobCompletion completion) = 0;
  // Frees everything the wizard collected (files, carriers, temporary files, password). No job
  // runs when it is called.
  virtual void release() = 0;

 protected:
  Language language() { return host_.frontEnd().language(); }
  Workspace& workspace() { return host_.frontEnd().workspace(); }

  WizardHost& host_;
};

}  // namespace murl::ui
