#include "ui/main_menu_page.h"

#include <QLabel>
#include <QVBoxLayout>

#include "ui/artwork.h"

namespace murl::ui {

MainMenuPage::MainMenuPage(const Artwork& artwork, QWidget* parent)
    : QWidget(parent), artwork_(artwork), picture_(new QLabel(this)) {
  picture_->setObjectName(QStringLiteral("preview"));
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setFixedSize(260, 180);
  auto* layout = new QVBoxLayout(this);
  layout->addStretch(1);
  layout->addWidget(picture_, 0, Qt::AlignCenter);
  layout->addStretch(1);
  showPreview(0);
}

void MainMenuPage::showPreview(int button) {
  shown_ = button;
  picture_->setPixmap(button == 0 ? artwork_.menuPicture() : artwork_.preview(button));
}

}  // namespace murl::ui
