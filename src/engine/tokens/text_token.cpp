#include "engine/tokens/text_token.h"

#include <algorithm>

namespace glimbrik {

namespace {

QString DefaultFormatForTag(int64_t tag) {
  switch (tag) {
    case 3:
    case 5:
      return QStringLiteral("dd/MM/yyyy");
    case 4:
    case 6:
      return QStringLiteral("HH");
    default:
      return QString();
  }
}

}  // namespace

QVXWatermarkTextToken::QVXWatermarkTextToken(const QString& name, int64_t tag)
    : tokenTag_(tag), name_(name), dateTimeFormatString_(DefaultFormatForTag(tag)) {}

QVXWatermarkTextToken::QVXWatermarkTextToken(const QString& name, int64_t tag,
                                             const QString& dateTimeFormat)
    : tokenTag_(tag), numberLength_(0), name_(name), dateTimeFormatString_(dateTimeFormat) {}

QVXWatermarkTextToken::QVXWatermarkTextToken(const QString& name, int64_t tag,
                                             const QString& dateTimeFormat, int64_t caseTag,
                                             int64_t startDigit, int64_t leadZero)
    : tokenTag_(tag),
      caseTag_(caseTag),
      startDigit_(startDigit),
      numberLength_(leadZero),
      name_(name),
      dateTimeFormatString_(dateTimeFormat) {}

QString QVXWatermarkTextToken::GetCompleteTokenString() const {
  if (tokenTag_ == 1) {
    return name_ + QLatin1Char(':') + FormatIndexNumber(startDigit_, numberLength_);
  }
  if (tokenTag_ >= 3 && tokenTag_ <= 6) {
    if (dateTimeFormatString_.isNull()) return QString();
    return name_ + QLatin1Char(':') + dateTimeFormatString_;
  }
  return name_;
}

TokenArray TokenArrayFromVariantList(const QVariantList& list) {
  TokenArray elements;
  elements.reserve(list.size());
  for (const QVariant& item : list) {
    if (item.metaType() == QMetaType::fromType<QString>()) {
      elements.append(item.toString());
    } else if (item.metaType() == QMetaType::fromType<QVXWatermarkTextToken>()) {
      elements.append(item.value<QVXWatermarkTextToken>());
    }
  }
  return elements;
}

QVariantList TokenArrayToVariantList(const TokenArray& elements) {
  QVariantList list;
  list.reserve(elements.size());
  for (const TokenElement& element : elements) {
    list.append(std::visit([](const auto& value) { return QVariant::fromValue(value); }, element));
  }
  return list;
}

QString FormatIndexNumber(int64_t value, int64_t numberLength) {
  const int width = static_cast<int>(std::clamp<int64_t>(numberLength, 0, 20));
  return QString::asprintf("%0*lld", width, static_cast<long long>(value));
}

}  // namespace glimbrik
