#pragma once

#include <vector>

#include "app/list/list_entity.h"

namespace glimbrik {

// Tags of the sort menu's items.
enum SortTag : int {
  kSortByCreationDate = 1,
  kSortByKind = 2,
  kSortByName = 3,
  kSortBySize = 4,
  kSortByColorModel = 5,
  kSortByResolution = 6,
  kSortByHeight = 7,
  kSortByWidth = 8,
};

// Orders two entries by the value of a sort tag: negative, 0 or positive. An entry without the
// value sorts after one with it in both directions; texts compare as the file manager does.
int CompareEntitiesForTag(const ListViewBaseCellImageEntity& a,
                          const ListViewBaseCellImageEntity& b, int tag, bool descending);

// Sorts stably by a tag of the sort menu.
void SortEntities(std::vector<ImageEntityPtr>& entries, int tag, bool descending);
// Sorts by title, as the list's column header does.
void SortEntitiesByTitle(std::vector<ImageEntityPtr>& entries, bool descending);

}  // namespace glimbrik
