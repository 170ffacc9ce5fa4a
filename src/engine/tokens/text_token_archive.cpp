#include "engine/tokens/text_token_archive.h"

#include "platform/store/keyed_archive.h"

namespace glimbrik {

namespace {

const QString kTokenClass = QStringLiteral("QVXWatermarkTextToken");

int64_t IntegerOrZero(const QVariantMap& keys, const QString& key) {
  const QVariant value = keys.value(key);
  bool ok = false;
  const qlonglong number = value.toLongLong(&ok);
  return ok && value.typeId() != QMetaType::QString ? number : 0;
}

}  // namespace

QVariantMap EncodeTextToken(const QVXWatermarkTextToken& token) {
  QVariantMap keys;
  keys.insert(QStringLiteral("Name"), token.name());
  if (!token.dateTimeFormatString().isNull()) {
    keys.insert(QStringLiteral("DateTimeFormatString"), token.dateTimeFormatString());
  }
  keys.insert(QStringLiteral("CaseTag"), qint64(token.caseTag()));
  keys.insert(QStringLiteral("TokenTag"), qint64(token.tokenTag()));
  keys.insert(QStringLiteral("StartDigit"), qint64(token.startDigit()));
  keys.insert(QStringLiteral("NumberLength"), qint64(token.numberLength()));
  return ArchivedObject(kTokenClass, keys);
}

std::optional<QVXWatermarkTextToken> DecodeTextToken(const QVariant& object) {
  if (ArchivedClassName(object) != kTokenClass) return std::nullopt;
  const QVariantMap keys = object.toMap();
  const QVariant format = keys.value(QStringLiteral("DateTimeFormatString"));
  return QVXWatermarkTextToken(
      keys.value(QStringLiteral("Name")).toString(),
      IntegerOrZero(keys, QStringLiteral("TokenTag")),
      format.typeId() == QMetaType::QString ? format.toString() : QString(),
      IntegerOrZero(keys, QStringLiteral("CaseTag")),
      IntegerOrZero(keys, QStringLiteral("StartDigit")),
      IntegerOrZero(keys, QStringLiteral("NumberLength")));
}

QVariantList EncodeTokenArray(const TokenArray& elements) {
  QVariantList list;
  list.reserve(elements.size());
  for (const TokenElement& element : elements) {
    if (const auto* text = std::get_if<QString>(&element)) {
      list.append(*text);
    } else {
      list.append(EncodeTextToken(std::get<QVXWatermarkTextToken>(element)));
    }
  }
  return list;
}

std::optional<TokenArray> DecodeTokenArray(const QVariant& array) {
  if (array.typeId() != QMetaType::QVariantList) return std::nullopt;
  TokenArray elements;
  for (const QVariant& item : array.toList()) {
    if (item.typeId() == QMetaType::QString) {
      elements.append(item.toString());
    } else if (auto token = DecodeTextToken(item)) {
      elements.append(std::move(*token));
    }
  }
  return elements;
}

QByteArray ArchiveTextToken(const QVXWatermarkTextToken& token) {
  return ArchiveRootValue(EncodeTextToken(token)).data;
}

std::optional<QVXWatermarkTextToken> UnarchiveTextToken(const QByteArray& archive) {
  const PlistResult root = UnarchiveRootValue(archive);
  if (!root.ok()) return std::nullopt;
  return DecodeTextToken(root.value);
}

QByteArray ArchiveTokenArray(const TokenArray& elements) {
  return ArchiveRootValue(EncodeTokenArray(elements)).data;
}

std::optional<TokenArray> UnarchiveTokenArray(const QByteArray& archive) {
  const PlistResult root = UnarchiveRootValue(archive);
  if (!root.ok()) return std::nullopt;
  return DecodeTokenArray(root.value);
}

QStringList QVXWatermarkTextToken::writableTypesForPasteboard() const {
  return {QString::fromLatin1(kTextTokenMimeType)};
}

QByteArray QVXWatermarkTextToken::pasteboardPropertyListForType(const QString& type) const {
  if (type != QLatin1String(kTextTokenMimeType)) return QByteArray();
  return ArchiveTextToken(*this);
}

QStringList QVXWatermarkTextToken::readableTypesForPasteboard() {
  return {QString::fromLatin1(kTextTokenMimeType)};
}

int QVXWatermarkTextToken::readingOptionsForType(const QString& type) {
  return type == QLatin1String(kTextTokenMimeType) ? kPasteboardReadingAsKeyedArchive
                                                   : kPasteboardReadingAsData;
}

void WriteTokensToMimeData(const TokenArray& elements, QMimeData* mime) {
  if (!mime) return;
  QString text;
  for (const TokenElement& element : elements) {
    if (const auto* literal = std::get_if<QString>(&element)) {
      text += *literal;
    } else {
      text += std::get<QVXWatermarkTextToken>(element).GetCompleteTokenString();
    }
  }
  const bool oneToken =
      elements.size() == 1 && std::holds_alternative<QVXWatermarkTextToken>(elements.first());
  mime->setData(QString::fromLatin1(kTextTokenMimeType),
                oneToken ? ArchiveTextToken(std::get<QVXWatermarkTextToken>(elements.first()))
                         : ArchiveTokenArray(elements));
  mime->setText(text);
}

std::optional<TokenArray> ReadTokensFromMimeData(const QMimeData& mime) {
  const QString type = QString::fromLatin1(kTextTokenMimeType);
  if (!mime.hasFormat(type)) return std::nullopt;
  const PlistResult root = UnarchiveRootValue(mime.data(type));
  if (!root.ok()) return std::nullopt;
  if (auto token = DecodeTextToken(root.value)) return TokenArray{std::move(*token)};
  return DecodeTokenArray(root.value);
}

}  // namespace glimbrik
