#pragma once
// Runs one job at a time on a worker thread and brings what the job reports (progress, the four
// status labels, how it ended) to the interface thread as queued signals.
#include <QObject>
#include <QString>
#include <functional>

#include "core/job_listener.h"
#include "core/workspace.h"

class QThread;

namespace murl::ui {

class JobRunner : public QObject, public JobListener {
  Q_OBJECT

 public:
  explicit JobRunner(Workspace& workspace, QObject* parent = nullptr);
  ~JobRunner() override;

  // Starts `work` on a new worker thread. False when a job still runs or no thread could be
  // started (nothing ran then).
  bool start(std::function<void()> work);
  bool running() const { return thread_ != nullptr; }
  // Waits for the running job to end; the caller has set stop or closing first.
  void wait();

  // On the worker: passed on to the interface thread.
  void progress(uint8_t percent) override;
  void status(StatusLabel label, const std::string& text) override;
  void stage(JobStage stage) override;
  void finished(JobCompletion completion) override;

 signals:
  void progressChanged(int percent);
  void statusChanged(murl::StatusLabel label, const QString& text);
  void stageChanged(murl::JobStage stage);
  // The job's completion command (1000, 1020, 1025, ...).
  void completed(murl::JobCompletion completion);
  // The work has returned and its thread is gone; after completed().
  void ended();
  void runningChanged(bool running);

 private:
  void release();

  Workspace& workspace_;
  QThread* thread_ = nullptr;
  uint64_t generation_ = 0;  // tells a finished thread's late notice from the current one's
};

}  // namespace murl::ui
