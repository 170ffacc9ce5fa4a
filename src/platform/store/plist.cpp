#include "platform/store/plist.h"

#include <QDateTime>
#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cmath>
#include <limits>

#include "platform/store/atomic_write.h"

namespace glimbrik {

namespace {

// Deeper nesting than this is hostile input; refusing it keeps the recursion bounded.
constexpr int kMaxDepth = 256;

QString DateText(const QDateTime& date) {
  return date.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

QString RealText(double value) {
  if (std::isnan(value)) return QStringLiteral("nan");
  if (std::isinf(value))
    return value > 0 ? QStringLiteral("+infinity") : QStringLiteral("-infinity");
  // Shortest text that reads back as the same double; QString::number ignores the locale.
  return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// ---- reading ----

class Reader {
 public:
  explicit Reader(const QByteArray& bytes) : xml_(bytes) {}

  PlistResult Run() {
    PlistResult result;
    if (!NextElement()) {
      result.error = Fail(QStringLiteral("no <plist> element"));
      return result;
    }
    if (xml_.name() != QLatin1String("plist")) {
      result.error = Fail(QStringLiteral("root element is <%1>, not <plist>").arg(xml_.name()));
      return result;
    }
    if (!NextElement()) {
      result.error = Fail(QStringLiteral("empty <plist>"));
      return result;
    }
    QVariant value;
    if (!ReadValue(0, &value)) {
      result.error = error_;
      return result;
    }
    result.value = value;
    return result;
  }

 private:
  // Advances to the next start element inside the current one; false at its end.
  bool NextElement() {
    while (!xml_.atEnd()) {
      const auto token = xml_.readNext();
      if (token == QXmlStreamReader::StartElement) return true;
      if (token == QXmlStreamReader::EndElement) return false;
      if (token == QXmlStreamReader::Characters && !xml_.isWhitespace()) {
        Fail(QStringLiteral("unexpected text"));
        return false;
      }
    }
    return false;
  }

  QString Fail(const QString& reason) {
    if (error_.isEmpty()) {
      error_ = xml_.hasError() ? QStringLiteral("malformed XML at line %1: %2")
                                     .arg(xml_.lineNumber())
                                     .arg(xml_.errorString())
                               : QStringLiteral("%1 at line %2").arg(reason).arg(xml_.lineNumber());
    }
    return error_;
  }

  bool Failed() const { return !error_.isEmpty() || xml_.hasError(); }

  bool ReadText(QString* text) {
    *text = xml_.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
    if (xml_.hasError()) {
      Fail(QString());
      return false;
    }
    return true;
  }

  bool ReadValue(int depth, QVariant* out) {
    if (depth > kMaxDepth) {
      Fail(QStringLiteral("nesting deeper than %1").arg(kMaxDepth));
      return false;
    }
    const QString name = xml_.name().toString();
    if (name == QLatin1String("dict")) return ReadDict(depth, out);
    if (name == QLatin1String("array")) return ReadArray(depth, out);
    if (name == QLatin1String("true") || name == QLatin1String("false")) {
      QString text;
      if (!ReadText(&text)) return false;
      *out = QVariant(name == QLatin1String("true"));
      return true;
    }
    QString text;
    if (!ReadText(&text)) return false;
    if (name == QLatin1String("string")) {
      *out = text;
      return true;
    }
    if (name == QLatin1String("integer")) return ParseInteger(text.trimmed(), out);
    if (name == QLatin1String("real")) return ParseReal(text.trimmed(), out);
    if (name == QLatin1String("date")) {
      QDateTime date = QDateTime::fromString(text.trimmed(), Qt::ISODate);
      if (!date.isValid()) {
        Fail(QStringLiteral("bad date \"%1\"").arg(text));
        return false;
      }
      *out = date.toUTC();
      return true;
    }
    if (name == QLatin1String("data")) {
      QByteArray compact = text.toLatin1();
      compact.replace(' ', "").replace('\n', "").replace('\t', "").replace('\r', "");
      auto decoded =
          QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
      if (!decoded) {
        Fail(QStringLiteral("bad base64 data"));
        return false;
      }
      *out = decoded.decoded;
      return true;
    }
    Fail(QStringLiteral("unknown element <%1>").arg(name));
    return false;
  }

  bool ParseInteger(const QString& text, QVariant* out) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    if (ok) {
      *out = value;
      return true;
    }
    const quint64 big = text.toULongLong(&ok, 10);
    if (ok) {
      *out = big;
      return true;
    }
    Fail(QStringLiteral("bad integer \"%1\"").arg(text));
    return false;
  }

  bool ParseReal(const QString& text, QVariant* out) {
    const QString lower = text.toLower();
    if (lower == QLatin1String("nan")) {
      *out = std::numeric_limits<double>::quiet_NaN();
      return true;
    }
    if (lower == QLatin1String("+infinity") || lower == QLatin1String("infinity") ||
        lower == QLatin1String("inf")) {
      *out = std::numeric_limits<double>::infinity();
      return true;
    }
    if (lower == QLatin1String("-infinity") || lower == QLatin1String("-inf")) {
      *out = -std::numeric_limits<double>::infinity();
      return true;
    }
    bool ok = false;
    const double value = text.toDouble(&ok);  // QString::toDouble is locale independent
    if (!ok) {
      Fail(QStringLiteral("bad real \"%1\"").arg(text));
      return false;
    }
    *out = value;
    return true;
  }

  bool ReadDict(int depth, QVariant* out) {
    QVariantMap map;
    while (NextElement()) {
      if (xml_.name() != QLatin1String("key")) {
        Fail(QStringLiteral("<%1> where a <key> belongs").arg(xml_.name()));
        return false;
      }
      QString key;
      if (!ReadText(&key)) return false;
      if (!NextElement()) {
        Fail(QStringLiteral("key \"%1\" has no value").arg(key));
        return false;
      }
      QVariant value;
      if (!ReadValue(depth + 1, &value)) return false;
      map.insert(key, value);
    }
    if (Failed()) {
      Fail(QStringLiteral("unterminated <dict>"));
      return false;
    }
    *out = map;
    return true;
  }

  bool ReadArray(int depth, QVariant* out) {
    QVariantList list;
    while (NextElement()) {
      QVariant value;
      if (!ReadValue(depth + 1, &value)) return false;
      list.append(value);
    }
    if (Failed()) {
      Fail(QStringLiteral("unterminated <array>"));
      return false;
    }
    *out = list;
    return true;
  }

  QXmlStreamReader xml_;
  QString error_;
};

// ---- writing ----

class Writer {
 public:
  explicit Writer(QByteArray* out) : xml_(out) { xml_.setAutoFormatting(true); }

  QString Run(const QVariant& root) {
    xml_.setAutoFormattingIndent(-1);  // one tab, as such files are usually indented
    xml_.writeStartDocument();
    xml_.writeStartElement(QStringLiteral("plist"));
    xml_.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    if (!WriteValue(root, QStringLiteral("root"), 0)) return error_;
    xml_.writeEndElement();
    xml_.writeEndDocument();
    return QString();
  }

 private:
  bool WriteValue(const QVariant& value, const QString& where, int depth) {
    if (depth > kMaxDepth) {
      error_ = QStringLiteral("nesting deeper than %1 at %2").arg(kMaxDepth).arg(where);
      return false;
    }
    switch (value.typeId()) {
      case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        xml_.writeStartElement(QStringLiteral("dict"));
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
          xml_.writeTextElement(QStringLiteral("key"), it.key());
          if (!WriteValue(it.value(), where + QLatin1Char('/') + it.key(), depth + 1)) return false;
        }
        xml_.writeEndElement();
        return true;
      }
      case QMetaType::QVariantHash: {
        const QVariantHash hash = value.toHash();
        QVariantMap map;
        for (auto it = hash.cbegin(); it != hash.cend(); ++it) map.insert(it.key(), it.value());
        return WriteValue(map, where, depth);
      }
      case QMetaType::QVariantList:
      case QMetaType::QStringList: {
        const QVariantList list = value.toList();
        xml_.writeStartElement(QStringLiteral("array"));
        for (qsizetype i = 0; i < list.size(); ++i) {
          if (!WriteValue(list[i], where + QStringLiteral("[%1]").arg(i), depth + 1)) return false;
        }
        xml_.writeEndElement();
        return true;
      }
      case QMetaType::QString:
        xml_.writeTextElement(QStringLiteral("string"), value.toString());
        return true;
      case QMetaType::Bool:
        xml_.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        return true;
      case QMetaType::Char:
      case QMetaType::SChar:
      case QMetaType::UChar:
      case QMetaType::Short:
      case QMetaType::UShort:
      case QMetaType::Int:
      case QMetaType::UInt:
      case QMetaType::Long:
      case QMetaType::LongLong:
        xml_.writeTextElement(QStringLiteral("integer"), QString::number(value.toLongLong()));
        return true;
      case QMetaType::ULong:
      case QMetaType::ULongLong:
        xml_.writeTextElement(QStringLiteral("integer"), QString::number(value.toULongLong()));
        return true;
      case QMetaType::Float:
        xml_.writeTextElement(QStringLiteral("real"),
                              RealText(static_cast<double>(value.value<float>())));
        return true;
      case QMetaType::Double:
        xml_.writeTextElement(QStringLiteral("real"), RealText(value.toDouble()));
        return true;
      case QMetaType::QDateTime: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid()) break;
        xml_.writeTextElement(QStringLiteral("date"), DateText(date));
        return true;
      }
      case QMetaType::QByteArray:
        xml_.writeTextElement(QStringLiteral("data"),
                              QString::fromLatin1(value.toByteArray().toBase64()));
        return true;
      default:
        break;
    }
    error_ = QStringLiteral("%1 cannot be stored in a property list (%2)")
                 .arg(where, QString::fromLatin1(value.metaType().name() ? value.metaType().name()
                                                                         : "invalid"));
    return false;
  }

  QXmlStreamWriter xml_;
  QString error_;
};

}  // namespace

bool IsNumberType(int type) {
  switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
      return true;
    default:
      return false;
  }
}

PlistResult ReadPlistData(const QByteArray& bytes) { return Reader(bytes).Run(); }

PlistResult ReadPlistFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return {QVariant(), QStringLiteral("cannot open %1: %2").arg(path, file.errorString())};
  }
  PlistResult result = ReadPlistData(file.readAll());
  if (!result.ok()) result.error = path + QStringLiteral(": ") + result.error;
  return result;
}

PlistData WritePlistData(const QVariant& root) {
  PlistData result;
  result.error = Writer(&result.data).Run(root);
  if (!result.ok()) {
    result.data.clear();
  } else if (!result.data.endsWith('\n')) {
    result.data.append('\n');
  }
  return result;
}

PlistStatus WritePlistFile(const QVariant& root, const QString& path) {
  const PlistData encoded = WritePlistData(root);
  if (!encoded.ok()) return {encoded.error};
  QString error;
  if (!WriteFileAtomically(path, encoded.data, &error)) return {error};
  return {};
}

}  // namespace glimbrik
