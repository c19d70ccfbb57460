#pragma once
// The pages where a text is typed twice: the password page of the hiding and unhiding wizards
// (16 to 32 characters, case and spaces count, masked; for hiding also the stream's compression
// level) and the mark page of the Authoring Wizard (up to 100 characters). "Next" is enabled,
// and takes the focus, once the two boxes hold the same acceptable text.
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/locale.h"

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;

namespace murl::ui {

class TwiceTypedPage : public QWidget {
  Q_OBJECT

 public:
  struct Setup {
    QString heading;
    QString hint;
    int maxLength = 0;
    bool masked = false;
    int boxWidth = 300;
    // Whether the two texts, as UTF-8, may be taken.
    std::function<bool(const std::string& first, const std::string& second)> accepted;
  };

  TwiceTypedPage(platform::Language language, Setup setup);

  QLineEdit* firstBox() const { return first_; }
  QLineEdit* secondBox() const { return second_; }
  QPushButton* nextButton() const { return next_; }

  // The text typed, as UTF-8.
  std::string typed() const;
  // Empties both boxes, so a secret does not outlive its use on the page.
  void clear();

 signals:
  void next();

 protected:
  // A labelled field between the boxes and "Next".
  void addField(QWidget* label, QWidget* field);

 private:
  void check();

  Setup setup_;
  QGridLayout* layout_;
  QLineEdit* first_;
  QLineEdit* second_;
  QPushButton* next_;
};

class PasswordPage : public TwiceTypedPage {
  Q_OBJECT

 public:
  PasswordPage(platform::Language language, bool withCompression);

  QComboBox* compressionList() const { return compression_; }
  // The password as the cipher takes it.
  std::string password() const { return typed(); }
  // 0 "Minimum" to 6 "Maximum"; the list opens at "Medium".
  uint8_t compressionLevel() const;

 private:
  QComboBox* compression_ = nullptr;
};

class MarkPage : public TwiceTypedPage {
  Q_OBJECT

 public:
  explicit MarkPage(platform::Language language);
};

}  // namespace murl::ui
