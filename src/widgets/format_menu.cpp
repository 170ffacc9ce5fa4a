#include "widgets/format_menu.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

#include "platform/store/bundle_resources.h"
#include "platform/store/date_format.h"

namespace glimbrik {

FormatMenu BuildFormatMenu(const QVariant& list, const QString& select, const QDateTime& now) {
  FormatMenu menu;
  for (const QVariant& group : list.toList()) {
    for (const QVariant& item : group.toList()) {
      const QVariantMap dict = item.toMap();
      FormatMenuEntry entry;
      entry.pattern = dict.value(QStringLiteral("title")).toString();
      entry.tag = dict.value(QStringLiteral("tag")).toLongLong();
      entry.title = QStringLiteral("%1%2 (%3)")
                        .arg(entry.pattern, dict.value(QStringLiteral("info")).toString(),
                             FormatDateWithPattern(now, entry.pattern));
      if (entry.pattern == select) menu.selected = static_cast<int>(menu.entries.size());
      menu.entries.push_back(std::move(entry));
    }
    FormatMenuEntry separator;
    separator.separator = true;
    menu.entries.push_back(separator);
  }
  if (!menu.entries.empty()) menu.entries.pop_back();
  return menu;
}

std::optional<QVariant> ReadFormatList(const QString& name) {
  const PlistResult read = ReadBundlePlist(name);
  if (!read.ok() || !read.value.canConvert<QVariantList>()) return std::nullopt;
  return read.value;
}

QString TimeFormatListName(bool forRename) {
  return forRename ? QStringLiteral("timeFormatsForRename")
                   : QStringLiteral("timeFormatsForWatermark");
}

QAction* resetMenu(QMenu* menu, const QVariant& list, const QString& select) {
  menu->clear();
  const FormatMenu built = BuildFormatMenu(list, select, QDateTime::currentDateTime());
  QAction* selected = nullptr;
  for (size_t i = 0; i < built.entries.size(); ++i) {
    const FormatMenuEntry& entry = built.entries[i];
    if (entry.separator) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(entry.title);
    action->setToolTip(entry.pattern);
    action->setData(QVariant::fromValue<qint64>(entry.tag));
    if (static_cast<int>(i) == built.selected) selected = action;
  }
  return selected;
}

QAction* resetDateFormatMenu(QMenu* menu, const QString& select) {
  const std::optional<QVariant> list = ReadFormatList(QStringLiteral("dateformats"));
  if (!list) {
    menu->clear();
    return nullptr;
  }
  return resetMenu(menu, *list, select);
}

QAction* resetTimeFormatMenu(QMenu* menu, const QString& select, bool forRename) {
  const std::optional<QVariant> list = ReadFormatList(TimeFormatListName(forRename));
  if (!list) {
    menu->clear();
    return nullptr;
  }
  return resetMenu(menu, *list, select);
}

void FillFormatPopup(QComboBox* popup, const FormatMenu& menu) {
  popup->clear();
  for (const FormatMenuEntry& entry : menu.entries) {
    if (entry.separator) {
      popup->insertSeparator(popup->count());
      continue;
    }
    popup->addItem(entry.title, QVariant::fromValue<qint64>(entry.tag));
    popup->setItemData(popup->count() - 1, entry.pattern, Qt::ToolTipRole);
  }
  // A pattern of the token's own that the list lacks selects nothing, so Apply keeps it.
  popup->setCurrentIndex(menu.selected);
}

}  // namespace glimbrik
