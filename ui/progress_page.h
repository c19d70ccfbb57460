#pragma once
// The page shown while a job runs on the worker: an optional caption, the job's two title/value
// status pairs and its progress bar, all fed by the JobRunner's notifications.
#include <QString>
#include <QWidget>
#include <array>

#include "core/job_listener.h"
#include "platform/locale.h"

class QLabel;
class QProgressBar;

namespace murl::ui {

class JobRunner;

class ProgressPage : public QWidget {
  Q_OBJECT

 public:
  // `caption` above the bar, or none when empty.
  ProgressPage(JobRunner& jobs, const QString& caption);

  // Sets a status label as the job does (an empty text clears it).
  void setStatus(StatusLabel label, const QString& text);
  void setCaption(const QString& caption);
  QLabel* caption() const { return caption_; }
  QProgressBar* bar() const { return bar_; }
  QLabel* statusLabel(StatusLabel label) const { return labels_[static_cast<size_t>(label)]; }

 private:
  QLabel* caption_;
  std::array<QLabel*, 4> labels_{};
  QProgressBar* bar_;
};

// The page of a job that writes targets: "Source Carrier" and "Target Carrier" over the files it
// is working on.
ProgressPage* targetsPage(JobRunner& jobs, platform::Language language);

}  // namespace murl::ui
