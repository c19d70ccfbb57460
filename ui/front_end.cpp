#include "ui/front_end.h"

namespace murl::ui {

FrontEnd::FrontEnd(Dialogs& dialogs, Language language, const Artwork& artwork,
                   platform::FileSystem& fileSystem)
    : dialogs_(dialogs),
      direct_(dialogs, nullptr),
      worker_(direct_,
              [this](std::function<void()> task) {
                QMetaObject::invokeMethod(postTarget_.get(), std::move(task), Qt::QueuedConnection);
              }),
      workspace_(worker_, language, fileSystem),
      artwork_(artwork),
      postTarget_(std::make_unique<QObject>()) {}

}  // namespace murl::ui
