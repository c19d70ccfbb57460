#include "core/workspace.h"

#include <algorithm>

#include "platform/temp_folder.h"

namespace murl {

WorkBuffer::WorkBuffer(size_t size) : bytes_(new uint8_t[size]), size_(size) {
  const size_t tail = std::min(size, kZeroedTail);
  std::fill(end() - tail, end(), uint8_t{0});
}

Workspace::Workspace(Reporter& reporter_, Language language_, platform::FileSystem& fileSystem_)
    : workBuffer(kBufferSize),
      sampleBuffer(kBufferSize),
      codecBuffer(kBufferSize),
      sinkBuffer(kSinkBufferSize),
      language(language_),
      tempFolder(platform::tempFolder()),
      reporter(reporter_),
      fileSystem(fileSystem_) {}

void Workspace::show(MessageId id, uint32_t number) {
  showText(id, formatMessage(id, language, number));
}

void Workspace::showText(MessageId id, const std::string& text) {
  Message m{id, messageTitle(id, language), text};
  switch (messageKind(id)) {
    case MessageKind::kError:
      reporter.error(m);
      break;
    case MessageKind::kReport:
      reporter.report(m);
      break;
    default:
      reporter.warn(m);
      break;
  }
}

bool Workspace::ask(MessageId id) {
  return reporter.askYesNo(Message{id, messageTitle(id, language), messageText(id, language)});
}

void startSession(Workspace& workspace) {
  workspace.random.seed();
  workspace.sessionNumber = workspace.random.computeSessionNumber();
}

}  // namespace murl
