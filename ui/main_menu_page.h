#pragma once
// The main menu's page: a picture area that shows the preview of the button under the pointer.
#include <QWidget>

class QLabel;

namespace murl::ui {

class Artwork;

class MainMenuPage : public QWidget {
  Q_OBJECT

 public:
  explicit MainMenuPage(const Artwork& artwork, QWidget* parent = nullptr);
  // The preview of button 1 to 6, or the menu's own picture for 0.
  void showPreview(int button);
  int preview() const { return shown_; }

 private:
  const Artwork& artwork_;
  QLabel* picture_;
  int shown_ = 0;
};

}  // namespace murl::ui
