#include "ui/password_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/options.h"
#include "transforms/password.h"
#include "ui/texts.h"

namespace murl::ui {

PasswordPage::PasswordPage(platform::Language language, bool withCompression)
    : first_(new QLineEdit(this)), second_(new QLineEdit(this)) {
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(40, 16, 4, 4);
  layout->setColumnStretch(2, 1);
  layout->addWidget(new QLabel(text(UiText::kEnterPassword, language), this), 0, 0, 1, 2);
  layout->addWidget(new QLabel(text(UiText::kPasswordHint, language), this), 1, 0, 1, 2);
  int row = 2;
  for (QLineEdit* box : {first_, second_}) {
    box->setEchoMode(QLineEdit::Password);
    box->setMaxLength(static_cast<int>(Password::kMaxLength));
    box->setFixedWidth(300);
    layout->addWidget(box, row++, 0, 1, 2);
    connect(box, &QLineEdit::textChanged, this, &PasswordPage::check);
  }
  layout->setRowMinimumHeight(row++, 16);
  if (withCompression) {
    compression_ = new QComboBox(this);
    for (uint8_t level = 0; level <= kMaxLevel; ++level)
      compression_->addItem(QString::fromUtf8(levelName(level, language)));
    compression_->setCurrentIndex(kDefaultLevel);
    compression_->setMinimumWidth(140);
    layout->addWidget(new QLabel(text(UiText::kCompressionLevel, language), this), row, 0);
    layout->addWidget(compression_, row++, 1, Qt::AlignLeft);
  }
  layout->setRowStretch(row++, 1);
  next_ = new QPushButton(text(UiText::kNext, language), this);
  next_->setMinimumWidth(120);
  next_->setEnabled(false);
  layout->addWidget(next_, row, 3);
  connect(next_, &QPushButton::clicked, this, &PasswordPage::next);
  first_->setFocus();
}

std::string PasswordPage::password() const { return first_->text().toStdString(); }

uint8_t PasswordPage::compressionLevel() const {
  return compression_ ? static_cast<uint8_t>(compression_->currentIndex()) : kDefaultLevel;
}

void PasswordPage::clear() {
  first_->clear();
  second_->clear();
}

void PasswordPage::check() {
  bool accepted = Password::accepted(first_->text().toStdString(), second_->text().toStdString());
  next_->setEnabled(accepted);
  if (accepted) next_->setFocus();
}

}  // namespace murl::ui
