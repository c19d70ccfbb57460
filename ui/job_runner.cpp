#include "ui/job_runner.h"

#include <QThread>

namespace murl::ui {

JobRunner::JobRunner(Workspace& workspace, QObject* parent)
    : QObject(parent), workspace_(workspace) {
  qRegisterMetaType<murl::StatusLabel>("murl::StatusLabel");
  qRegisterMetaType<murl::JobCompletion>("murl::JobCompletion");
  qRegisterMetaType<murl::JobStage>("murl::JobStage");
}

JobRunner::~JobRunner() {
  if (!thread_) return;
  workspace_.closing = true;
  wait();
}

bool JobRunner::start(std::function<void()> work) {
  if (thread_) return false;
  QThread* thread = QThread::create(std::move(work));
  uint64_t generation = ++generation_;
  // QThread's own notice arrives queued, after everything the job posted.
  connect(thread, &QThread::finished, this, [this, generation] {
    if (generation != generation_ || !thread_) return;
    release();
    emit ended();
    emit runningChanged(false);
  });
  thread_ = thread;
  thread->start();
  if (!thread->isRunning() && !thread->isFinished()) {
    thread_ = nullptr;
    delete thread;
    return false;
  }
  emit runningChanged(true);
  return true;
}

void JobRunner::wait() {
  if (!thread_) return;
  release();
  emit runningChanged(false);
}

void JobRunner::release() {
  QThread* thread = thread_;
  thread_ = nullptr;
  ++generation_;
  thread->wait();
  delete thread;
}

void JobRunner::progress(uint8_t percent) {
  QMetaObject::invokeMethod(
      this, [this, percent] { emit progressChanged(percent); }, Qt::QueuedConnection);
}

void JobRunner::status(StatusLabel label, const std::string& text) {
  QString value = QString::fromStdString(text);
  QMetaObject::invokeMethod(
      this, [this, label, value] { emit statusChanged(label, value); }, Qt::QueuedConnection);
}

void JobRunner::stage(JobStage stage) {
  QMetaObject::invokeMethod(
      this, [this, stage] { emit stageChanged(stage); }, Qt::QueuedConnection);
}

void JobRunner::finished(JobCompletion completion) {
  QMetaObject::invokeMethod(
      this, [this, completion] { emit completed(completion); }, Qt::QueuedConnection);
}

}  // namespace murl::ui
