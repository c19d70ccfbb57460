#pragma once
// The application's pictures, drawn by scripts/make_artwork.py and built in as resources: the
// main-menu icons and previews, the menu picture, the background pattern, the list icons and the
// application's own icon.
#include <QBrush>
#include <QIcon>
#include <QPixmap>
#include <array>

#include "carriers/common/format_facts.h"
#include "ui/pages.h"

namespace murl::ui {

// The icons of the list and tree items; the Options Panel marks the chosen item of each group.
enum class ItemIcon : uint8_t {
  kFile,
  kFolder,
  kImage,
  kAudio,
  kModule,
  kRadioOn,
  kRadioOff,
  kCount
};

class Artwork {
 public:
  // Renders every picture; false when one of them cannot be made.
  bool load();

  const QIcon& buttonIcon(int button) const { return buttons_[button]; }
  // The preview of main-menu buttons 1 to 6 (commands 1001 to 1006).
  const QPixmap& preview(int button) const { return previews_[button - 1]; }
  const QPixmap& menuPicture() const { return menuPicture_; }
  const QBrush& pattern() const { return pattern_; }
  const QIcon& item(ItemIcon icon) const { return items_[static_cast<size_t>(icon)]; }
  const QIcon& media(MediaKind kind) const;
  // The icon the desktop menus show for Murl, for its windows too.
  const QIcon& applicationIcon() const { return application_; }

 private:
  std::array<QIcon, kMenuButtonCount> buttons_;
  std::array<QPixmap, kMenuButtonCount - 1> previews_;
  QPixmap menuPicture_;
  QBrush pattern_;
  std::array<QIcon, static_cast<size_t>(ItemIcon::kCount)> items_;
  QIcon application_;
};

}  // namespace murl::ui
