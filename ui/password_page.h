#pragma once
// The password page of the hiding and unhiding wizards: the password typed twice (16 to 32
// characters, case and spaces count), and for hiding the stream's compression level. "Next" is
// enabled, and takes the focus, once the two boxes hold the same acceptable password.
#include <QWidget>
#include <string>

#include "platform/locale.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace murl::ui {

class PasswordPage : public QWidget {
  Q_OBJECT

 public:
  PasswordPage(platform::Language language, bool withCompression);

  QLineEdit* firstBox() const { return first_; }
  QLineEdit* secondBox() const { return second_; }
  QComboBox* compressionList() const { return compression_; }
  QPushButton* nextButton() const { return next_; }

  // The password as the cipher takes it.
  std::string password() const;
  // 0 "Minimum" to 6 "Maximum"; the list opens at "Medium".
  uint8_t compressionLevel() const;
  // Empties both boxes, so the password does not outlive its use on the page.
  void clear();

 signals:
  void next();

 private:
  void check();

  QLineEdit* first_;
  QLineEdit* second_;
  QComboBox* compression_ = nullptr;
  QPushButton* next_;
};

}  // namespace murl::ui
