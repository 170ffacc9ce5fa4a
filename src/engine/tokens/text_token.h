#pragma once

// One placeholder of a rename pattern or of a watermark text, and the token arrays it stands in.
//
// A token array is an ordered list whose elements are literal text or tokens:
//   TokenArray pattern{QStringLiteral("IMG_"), QVXWatermarkTextToken(QStringLiteral("#"), 1)};
// Tokens are values: copying an array copies its tokens. Arrays are stored and put on the
// clipboard as keyed archives (text_token_archive.h). Where a QVariant must carry them (a text
// object's property, a record shared with Qt code), a token is QVariant::fromValue(token) and an
// array a QVariantList of strings and such tokens.

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <variant>

namespace glimbrik {

// The clipboard type of tokens; its data is a keyed archive.
inline constexpr char kTextTokenMimeType[] = "com.TarnwellTechnologies.TextToken";

// Reading options a clipboard reader gives for a type: the data is a keyed archive, or plain data.
inline constexpr int kPasteboardReadingAsData = 0;
inline constexpr int kPasteboardReadingAsKeyedArchive = 4;

class QVXWatermarkTextToken {
 public:
  // A token of no kind (tag 0), which expands to nothing; QVariant needs one.
  QVXWatermarkTextToken() = default;
  // caseTag 0, startDigit 1, numberLength 1; date and time tags get a default format
  // ("dd/MM/yyyy" for 3 and 5, "HH" for 4 and 6), every other tag none.
  QVXWatermarkTextToken(const QString& name, int64_t tag);
  // caseTag 0, startDigit 1, numberLength 0; a null format means none.
  QVXWatermarkTextToken(const QString& name, int64_t tag, const QString& dateTimeFormat);
  QVXWatermarkTextToken(const QString& name, int64_t tag, const QString& dateTimeFormat,
                        int64_t caseTag, int64_t startDigit, int64_t leadZero);

  // The token's text in its field: "Index:007" for an index number, "Capture Date:yyyy" for a
  // date or time (null when the token has no format), else the name.
  QString GetCompleteTokenString() const;

  // Clipboard: the token's types and its data for a type (null data for any other type);
  // defined with the archive code (text_token_archive.cpp).
  QStringList writableTypesForPasteboard() const;
  QByteArray pasteboardPropertyListForType(const QString& type) const;
  static QStringList readableTypesForPasteboard();
  static int readingOptionsForType(const QString& type);

  QPointF clickLocation() const { return clickLocation_; }
  void setClickLocation(QPointF location) { clickLocation_ = location; }
  int64_t tokenTag() const { return tokenTag_; }
  void setTokenTag(int64_t tag) { tokenTag_ = tag; }
  int64_t caseTag() const { return caseTag_; }
  void setCaseTag(int64_t caseTag) { caseTag_ = caseTag; }
  int64_t startDigit() const { return startDigit_; }
  void setStartDigit(int64_t startDigit) { startDigit_ = startDigit; }
  int64_t numberLength() const { return numberLength_; }
  void setNumberLength(int64_t numberLength) { numberLength_ = numberLength; }
  const QString& name() const { return name_; }
  void setName(const QString& name) { name_ = name; }
  // Null when the token has no format.
  const QString& dateTimeFormatString() const { return dateTimeFormatString_; }
  void setDateTimeFormatString(const QString& format) { dateTimeFormatString_ = format; }

  bool operator==(const QVXWatermarkTextToken& other) const = default;

 private:
  QPointF clickLocation_;  // where the token was last clicked in its field; never archived
  int64_t tokenTag_ = 0;
  int64_t caseTag_ = 0;
  int64_t startDigit_ = 1;
  int64_t numberLength_ = 1;
  QString name_;
  QString dateTimeFormatString_;
};

using TokenElement = std::variant<QString, QVXWatermarkTextToken>;
using TokenArray = QList<TokenElement>;

// Elements that are neither strings nor tokens are dropped.
TokenArray TokenArrayFromVariantList(const QVariantList& list);
QVariantList TokenArrayToVariantList(const TokenArray& elements);

// The index number with at least numberLength digits, zero-padded. The digit count is held to
// 0-20 (a 64-bit number has at most 20 characters), so a stored count cannot blow up the text.
QString FormatIndexNumber(int64_t value, int64_t numberLength);

}  // namespace glimbrik

Q_DECLARE_METATYPE(glimbrik::QVXWatermarkTextToken)
