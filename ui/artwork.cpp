#include "ui/artwork.h"

#include <QPainter>
#include <QSvgRenderer>
#include <iterator>

// The resources live in a static library: the program must register them itself.
static void registerResources() { Q_INIT_RESOURCE(murl); }

namespace murl::ui {
namespace {

constexpr const char* kButtonNames[] = {"menu",  "hide",    "unhide", "author",
                                        "check", "options", "home"};
constexpr const char* kItemNames[] = {"file",   "folder",   "image",    "audio",
                                      "module", "radio_on", "radio_off"};
static_assert(std::size(kItemNames) == static_cast<size_t>(ItemIcon::kCount));

bool render(const QString& name, QSize size, QPixmap& out) {
  QSvgRenderer renderer(QStringLiteral(":/murl/artwork/%1.svg").arg(name));
  if (!renderer.isValid()) return false;
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  renderer.render(&painter);
  painter.end();
  out = pixmap;
  return true;
}

bool renderIcon(const QString& name, std::initializer_list<int> sizes, QIcon& out) {
  QIcon icon;
  for (int side : sizes) {
    QPixmap pixmap;
    if (!render(name, QSize(side, side), pixmap)) return false;
    icon.addPixmap(pixmap);
  }
  out = icon;
  return true;
}

}  // namespace

bool Artwork::load() {
  registerResources();
  for (int i = 0; i < kMenuButtonCount; ++i) {
    if (!renderIcon(QStringLiteral("button_%1").arg(kButtonNames[i]), {32, 48}, buttons_[i]))
      return false;
    if (i > 0 && !render(QStringLiteral("preview_%1").arg(kButtonNames[i]), QSize(240, 160),
                         previews_[i - 1]))
      return false;
  }
  for (size_t i = 0; i < items_.size(); ++i)
    if (!renderIcon(QStringLiteral("item_%1").arg(kItemNames[i]), {16, 32}, items_[i]))
      return false;
  if (!renderIcon(QStringLiteral("murl"), {16, 32, 48, 64}, application_)) return false;
  QPixmap tile;
  if (!render(QStringLiteral("menu_picture"), QSize(240, 160), menuPicture_) ||
      !render(QStringLiteral("pattern"), QSize(16, 16), tile))
    return false;
  pattern_ = QBrush(tile);
  return true;
}

const QIcon& Artwork::media(MediaKind kind) const {
  switch (kind) {
    case MediaKind::kAudio:
      return item(ItemIcon::kAudio);
    case MediaKind::kModule:
      return item(ItemIcon::kModule);
    default:
      return item(ItemIcon::kImage);
  }
}

}  // namespace murl::ui
