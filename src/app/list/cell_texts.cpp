#include "app/list/cell_texts.h"

#include <QLocale>

namespace glimbrik {

QString formattedFileSize(quint64 size) {
  if (size == 0) return QString();
  if (size < 1000) return QString::asprintf("%llu bytes", static_cast<unsigned long long>(size));
  if (size < 1000000) return QString::asprintf("%.1f KB", size / 1000.0);
  if (size < 1000000000) return QString::asprintf("%.2f MB", size / 1000000.0);
  return QString::asprintf("%.3f GB", size / 1000000000.0);
}

CellTexts CellTextsFor(const ImageEntityFacts& facts, const QString& kind,
                       const QDateTime& creationDate, const QDateTime& now) {
  const QLocale locale;
  const QDateTime date = creationDate.isValid() ? creationDate : now;
  const auto orDash = [](const QString& text) {
    return text.isNull() ? QStringLiteral("-") : text;
  };
  CellTexts texts;
  texts.fileSizeText = QStringLiteral("%1, %2").arg(locale.toString(date, QLocale::ShortFormat),
                                                    formattedFileSize(facts.fileSize));
  texts.imagePixelSizeText =
      QStringLiteral("%1, %2").arg(orDash(facts.imageColorModel), orDash(kind));
  texts.imageDPIText = QString::asprintf("%.0f DPI, %.0f x %.0f pixels", facts.imageResolution,
                                         facts.imageWidth, facts.imageHeight);
  return texts;
}

}  // namespace glimbrik
