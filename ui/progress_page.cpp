#include "ui/progress_page.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "ui/job_runner.h"
#include "ui/texts.h"

namespace murl::ui {
namespace {

constexpr int kLineWidth = 560;

}  // namespace

ProgressPage::ProgressPage(JobRunner& jobs, const QString& caption)
    : caption_(new QLabel(this)), bar_(new QProgressBar(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 8, 18, 8);
  layout->addStretch(1);
  caption_->setObjectName(QStringLiteral("caption"));
  layout->addWidget(caption_);
  setCaption(caption);
  for (size_t i = 0; i < labels_.size(); ++i) {
    labels_[i] = new QLabel(this);
    labels_[i]->setFixedWidth(kLineWidth);
    // Paths may be longer than the line: they are shortened in the middle, never clipped.
    labels_[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(labels_[i]);
    if (i % 2 == 1) layout->addSpacing(8);
  }
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setFixedWidth(kLineWidth);
  layout->addWidget(bar_);
  layout->addStretch(2);
  connect(&jobs, &JobRunner::progressChanged, bar_, &QProgressBar::setValue);
  connect(&jobs, &JobRunner::statusChanged, this, &ProgressPage::setStatus);
}

void ProgressPage::setCaption(const QString& caption) {
  caption_->setText(caption);
  caption_->setVisible(!caption.isEmpty());
}

void ProgressPage::setStatus(StatusLabel label, const QString& text) {
  auto i = static_cast<size_t>(label);
  QLabel* line = labels_[i];
  line->setText(line->fontMetrics().elidedText(text, Qt::ElideMiddle, kLineWidth));
  line->setToolTip(text);
}

ProgressPage* targetsPage(JobRunner& jobs, platform::Language language) {
  auto* page = new ProgressPage(jobs, QString());
  page->setStatus(StatusLabel::kTitle1, text(UiText::kSourceCarrier, language));
  page->setStatus(StatusLabel::kTitle2, text(UiText::kTargetCarrier, language));
  return page;
}

}  // namespace murl::ui
