#include "app/list/list_sorting.h"

#include <QLocale>
#include <algorithm>
#include <optional>

#include "engine/files/file_utils.h"

namespace glimbrik {

namespace {

// The text compared for a tag; nullopt when the entry has no value.
std::optional<QString> SortText(const ListViewBaseCellImageEntity& entity, int tag) {
  const auto nonNull = [](const QString& text) -> std::optional<QString> {
    if (text.isNull()) return std::nullopt;
    return text;
  };
  switch (tag) {
    case kSortByKind:
      return nonNull(entity.GetImageKind());
    case kSortBySize:
      return QString::asprintf("%llu", static_cast<unsigned long long>(entity.GetFileSize()));
    case kSortByColorModel:
      return nonNull(entity.GetImageColorModel());
    case kSortByResolution:
      return QString::asprintf("%.0f", entity.GetResolution());
    case kSortByHeight:
      return QString::asprintf("%.0f", entity.GetHeight());
    case kSortByWidth:
      return QString::asprintf("%.0f", entity.GetWidth());
    default:
      return nonNull(entity.title());
  }
}

int Sign(qint64 value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

}  // namespace

int CompareEntitiesForTag(const ListViewBaseCellImageEntity& a,
                          const ListViewBaseCellImageEntity& b, int tag, bool descending) {
  int result = 0;
  if (tag == kSortByCreationDate) {
    const QDateTime& da = a.GetImageCreationDate();
    const QDateTime& db = b.GetImageCreationDate();
    if (!da.isValid() || !db.isValid()) return Sign(int(!da.isValid()) - int(!db.isValid()));
    result = Sign(da.msecsTo(db) * -1);
  } else {
    const std::optional<QString> ta = SortText(a, tag);
    const std::optional<QString> tb = SortText(b, tag);
    if (!ta || !tb) return Sign(int(!ta) - int(!tb));
    result = Sign(FinderCompare(*ta, *tb, QLocale()));
  }
  return descending ? -result : result;
}

void SortEntities(std::vector<ImageEntityPtr>& entries, int tag, bool descending) {
  std::stable_sort(entries.begin(), entries.end(), [tag, descending](const auto& a, const auto& b) {
    return CompareEntitiesForTag(*a, *b, tag, descending) < 0;
  });
}

void SortEntitiesByTitle(std::vector<ImageEntityPtr>& entries, bool descending) {
  SortEntities(entries, kSortByName, descending);
}

}  // namespace glimbrik
