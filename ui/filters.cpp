#include "ui/filters.h"

#include <QStringList>
#include <algorithm>

#include "carriers/registry.h"
#include "ui/texts.h"

namespace murl::ui {
namespace {

struct FormatFilter {
  const DialogFilter* filter;
  MediaKind kind;
};

QString filterName(const DialogFilter& filter, platform::Language language) {
  return QString::fromUtf8(language == platform::Language::kItalian ? filter.italian
                                                                    : filter.english);
}

// The patterns of every filter in `filters` of the kinds wanted, each pattern once, in order.
QString joinedPatterns(const std::vector<FormatFilter>& filters, bool images, bool audios) {
  QStringList patterns;
  for (const FormatFilter& f : filters) {
    if ((f.kind == MediaKind::kImage && !images) || (f.kind == MediaKind::kAudio && !audios))
      continue;
    for (const QString& pattern :
         QString::fromUtf8(f.filter->patterns).split(QLatin1Char(';'), Qt::SkipEmptyParts))
      if (!patterns.contains(pattern)) patterns << pattern;
  }
  return patterns.join(QLatin1Char(';'));
}

}  // namespace

std::vector<FileFilter> carrierFilters(platform::Language language, CarrierChoice choice) {
  std::vector<FormatFilter> media;
  std::vector<FormatFilter> modules;
  for (const FormatFacts* format : carrierFormats()) {
    for (const DialogFilter& filter : format->filters)
      if (!filter.onlyIn || *filter.onlyIn == choice)
        (format->kind == MediaKind::kModule ? modules : media).push_back({&filter, format->kind});
  }
  auto byName = [](const FormatFilter& a, const FormatFilter& b) {
    return std::string_view(a.filter->english) < std::string_view(b.filter->english);
  };
  std::sort(media.begin(), media.end(), byName);
  std::sort(modules.begin(), modules.end(), byName);

  std::vector<FileFilter> list = {
      {text(UiText::kAllSupported, language), joinedPatterns(media, true, true)},
      {text(UiText::kAllSupportedImages, language), joinedPatterns(media, true, false)},
      {text(UiText::kAllSupportedAudios, language), joinedPatterns(media, false, true)},
  };
  for (const FormatFilter& f : media)
    list.push_back({filterName(*f.filter, language), QString::fromUtf8(f.filter->patterns)});
  if (choice == CarrierChoice::kWithModules) {
    for (const FormatFilter& f : modules)
      list.push_back({filterName(*f.filter, language), QString::fromUtf8(f.filter->patterns)});
  }
  list.push_back({text(UiText::kAllFiles, language), QStringLiteral("*.*")});
  return list;
}

std::vector<FileFilter> sourceFilters(platform::Language language) {
  return {{text(UiText::kAllFilesAny, language), QStringLiteral("*.*")}};
}

}  // namespace murl::ui
