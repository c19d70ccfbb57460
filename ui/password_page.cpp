#include "ui/password_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/options.h"
#include "jobs/authoring_session.h"
#include "transforms/password.h"
#include "ui/texts.h"

namespace murl::ui {
namespace {

// Rows of the page: the two lines of text, the boxes, a gap, the added field, then "Next" at
// the foot.
constexpr int kFieldRow = 5;
constexpr int kNextRow = 7;

}  // namespace

TwiceTypedPage::TwiceTypedPage(platform::Language language, Setup setup)
    : setup_(std::move(setup)),
      layout_(new QGridLayout(this)),
      first_(new QLineEdit(this)),
      second_(new QLineEdit(this)) {
  layout_->setContentsMargins(40, 16, 4, 4);
  layout_->setColumnStretch(2, 1);
  layout_->addWidget(new QLabel(setup_.heading, this), 0, 0, 1, 3);
  layout_->addWidget(new QLabel(setup_.hint, this), 1, 0, 1, 3);
  int row = 2;
  for (QLineEdit* box : {first_, second_}) {
    if (setup_.masked) box->setEchoMode(QLineEdit::Password);
    box->setMaxLength(setup_.maxLength);
    box->setFixedWidth(setup_.boxWidth);
    layout_->addWidget(box, row++, 0, 1, 3);
    connect(box, &QLineEdit::textChanged, this, &TwiceTypedPage::check);
  }
  layout_->setRowMinimumHeight(4, 16);
  layout_->setRowStretch(kNextRow - 1, 1);
  next_ = new QPushButton(text(UiText::kNext, language), this);
  next_->setMinimumWidth(120);
  next_->setEnabled(false);
  layout_->addWidget(next_, kNextRow, 3);
  connect(next_, &QPushButton::clicked, this, &TwiceTypedPage::next);
  first_->setFocus();
}

std::string TwiceTypedPage::typed() const { return first_->text().toStdString(); }

void TwiceTypedPage::clear() {
  first_->clear();
  second_->clear();
}

void TwiceTypedPage::addField(QWidget* label, QWidget* field) {
  layout_->addWidget(label, kFieldRow, 0);
  layout_->addWidget(field, kFieldRow, 1, Qt::AlignLeft);
}

void TwiceTypedPage::check() {
  bool accepted = setup_.accepted(first_->text().toStdString(), second_->text().toStdString());
  next_->setEnabled(accepted);
  if (accepted) next_->setFocus();
}

PasswordPage::PasswordPage(platform::Language language, bool withCompression)
    : TwiceTypedPage(
          language,
          Setup{text(UiText::kEnterPassword, language), text(UiText::kPasswordHint, language),
                static_cast<int>(Password::kMaxLength), true, 300, &Password::accepted}) {
  if (!withCompression) return;
  compression_ = new QComboBox(this);
  for (uint8_t level = 0; level <= kMaxLevel; ++level)
    compression_->addItem(QString::fromUtf8(levelName(level, language)));
  compression_->setCurrentIndex(kDefaultLevel);
  compression_->setMinimumWidth(140);
  addField(new QLabel(text(UiText::kCompressionLevel, language), this), compression_);
}

uint8_t PasswordPage::compressionLevel() const {
  return compression_ ? static_cast<uint8_t>(compression_->currentIndex()) : kDefaultLevel;
}

MarkPage::MarkPage(platform::Language language)
    : TwiceTypedPage(language, Setup{text(UiText::kEnterMark, language),
                                     text(UiText::kMarkHint, language), static_cast<int>(kMarkSize),
                                     false, 480, &AuthoringSession::markAccepted}) {}

}  // namespace murl::ui
