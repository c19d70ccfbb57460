#include "platform/folder.h"

namespace murl::platform {

NewFile::NewFile(File file, std::unique_ptr<NewFileNaming> naming)
    : file_(std::move(file)), naming_(std::move(naming)) {}

NewFile::~NewFile() { discard(); }

NewFile& NewFile::operator=(NewFile&& other) noexcept {
  if (this != &other) {
    discard();
    file_ = std::move(other.file_);
    naming_ = std::move(other.naming_);
  }
  return *this;
}

bool NewFile::setAttributes(uint32_t attributes) {
  return file_.isOpen() && naming_ && naming_->setAttributes(attributes);
}

bool NewFile::publish(const std::string& name, bool replace) {
  if (!file_.isOpen() || !naming_ || !naming_->publish(name, replace)) return false;
  naming_.reset();
  file_.close();
  return true;
}

bool NewFile::discard() {
  if (!file_.isOpen()) return true;
  bool wiped = wipeFile(file_);
  if (naming_) naming_->forget();
  naming_.reset();
  return wiped;
}

}  // namespace murl::platform
