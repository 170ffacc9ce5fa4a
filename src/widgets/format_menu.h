#pragma once

// The date and time format choices of the token popovers and of the insert-token menu, read
// from the bundle's lists "dateformats", "timeFormatsForRename" and "timeFormatsForWatermark":
// an array of groups, each an array of dictionaries with "title" (the pattern), "tag" and an
// optional "info".

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QMenu;

namespace glimbrik {

struct FormatMenuEntry {
  bool separator = false;
  QString title;    // "pattern info (example)"
  QString pattern;  // also the item's tool tip
  int64_t tag = 0;
};

struct FormatMenu {
  std::vector<FormatMenuEntry> entries;  // groups with a separator between them
  int selected = -1;                     // the last entry whose pattern was asked for; -1 none
};

// The entries of a parsed list, examples written for now; select names the pattern to select.
FormatMenu BuildFormatMenu(const QVariant& list, const QString& select, const QDateTime& now);

// The parsed list of the bundle resource name; no value when it is missing or damaged.
std::optional<QVariant> ReadFormatList(const QString& name);
QString TimeFormatListName(bool forRename);

// Replaces the menu's items with the list's; each item's tool tip is its pattern and its data
// its tag. Returns the item to select, or null.
QAction* resetMenu(QMenu* menu, const QVariant& list, const QString& select);
QAction* resetDateFormatMenu(QMenu* menu, const QString& select);
QAction* resetTimeFormatMenu(QMenu* menu, const QString& select, bool forRename);

// The same items in a pop-up button: the tool tip role holds the pattern, the user role the
// tag. Selects the asked-for pattern, or nothing when none matched.
void FillFormatPopup(QComboBox* popup, const FormatMenu& menu);

}  // namespace glimbrik
