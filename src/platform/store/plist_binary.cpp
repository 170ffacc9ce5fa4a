#include "platform/store/plist_binary.h"

#include <QDateTime>
#include <QTimeZone>
#include <QVariantList>
#include <QVariantMap>
#include <algorithm>
#include <bit>
#include <vector>

namespace glimbrik {

namespace {

// Nesting deeper than this is taken for a reference loop, and more objects made than this for
// shared references multiplying.
constexpr int kMaxDepth = 512;
constexpr quint64 kMaxObjectsMade = 1 << 22;

class BinaryPlistReader {
 public:
  explicit BinaryPlistReader(const QByteArray& bytes) : bytes_(bytes) {}

  PlistResult read() {
    const qsizetype size = bytes_.size();
    if (size < 8 + 32 || !bytes_.startsWith("bplist00")) return fail("not a binary property list");
    const qsizetype trailer = size - 32;
    offsetSize_ = int(byte(trailer + 6));
    refSize_ = int(byte(trailer + 7));
    const quint64 count = unsignedAt(trailer + 8, 8);
    const quint64 top = unsignedAt(trailer + 16, 8);
    const quint64 table = unsignedAt(trailer + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8 || count == 0 ||
        top >= count || table < 8 || table >= quint64(trailer) ||
        count > quint64(trailer - qsizetype(table)) / quint64(offsetSize_)) {
      return fail("damaged trailer");
    }
    offsets_.resize(count);
    for (quint64 i = 0; i < count; ++i) {
      offsets_[i] = unsignedAt(qsizetype(table + i * quint64(offsetSize_)), offsetSize_);
      if (offsets_[i] < 8 || offsets_[i] >= table) return fail("object offset out of range");
    }
    end_ = qsizetype(table);
    QVariant root = object(top, 0);
    if (!error_.isEmpty()) return {QVariant(), error_};
    return {root, QString()};
  }

 private:
  uchar byte(qsizetype i) const { return uchar(bytes_[i]); }

  quint64 unsignedAt(qsizetype at, int width) const {
    quint64 value = 0;
    for (int i = 0; i < width; ++i) value = (value << 8) | byte(at + i);
    return value;
  }

  PlistResult fail(const QString& why) { return {QVariant(), why}; }

  QVariant bad(const QString& why) {
    if (error_.isEmpty()) error_ = why;
    return {};
  }

  bool fits(qsizetype at, quint64 length) const {
    return at >= 0 && at <= end_ && length <= quint64(end_ - at);
  }

  // The length in a marker's low nibble, or the integer object after it for 15.
  bool length(qsizetype* at, int nibble, quint64* out) {
    if (nibble != 15) {
      *out = quint64(nibble);
      return true;
    }
    if (!fits(*at, 1) || (byte(*at) & 0xF0) != 0x10) return false;
    const int width = 1 << (byte(*at) & 0x0F);
    if (width > 8 || !fits(*at + 1, quint64(width))) return false;
    *out = unsignedAt(*at + 1, width);
    *at += 1 + width;
    return true;
  }

  QVariant object(quint64 index, int depth) {
    if (!error_.isEmpty()) return {};
    if (index >= offsets_.size()) return bad(QStringLiteral("reference out of range"));
    if (depth > kMaxDepth || ++made_ > kMaxObjectsMade) {
      return bad(QStringLiteral("nested too deeply"));
    }
    qsizetype at = qsizetype(offsets_[index]);
    const int marker = byte(at), type = marker >> 4, nibble = marker & 15;
    ++at;
    switch (type) {
      case 0x0:
        if (nibble == 8 || nibble == 9) return nibble == 9;
        return {};
      case 0x1: {
        const int width = 1 << nibble;
        if (width > 16 || !fits(at, quint64(width))) return bad(QStringLiteral("damaged integer"));
        // 16-byte integers hold 64-bit values in their low half.
        return qint64(unsignedAt(at + (width > 8 ? width - 8 : 0), std::min(width, 8)));
      }
      case 0x2: {
        const int width = 1 << nibble;
        if ((width != 4 && width != 8) || !fits(at, quint64(width))) {
          return bad(QStringLiteral("damaged real"));
        }
        return width == 4 ? double(std::bit_cast<float>(quint32(unsignedAt(at, 4))))
                          : std::bit_cast<double>(unsignedAt(at, 8));
      }
      case 0x3: {
        if (nibble != 3 || !fits(at, 8)) return bad(QStringLiteral("damaged date"));
        const double seconds = std::bit_cast<double>(unsignedAt(at, 8));
        return QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc())
            .addMSecs(qint64(seconds * 1000.0));
      }
      case 0x4:
      case 0x5:
      case 0x6: {
        quint64 count = 0;
        if (!length(&at, nibble, &count)) return bad(QStringLiteral("damaged length"));
        const quint64 bytes = type == 0x6 ? count * 2 : count;
        if (count > quint64(end_) || !fits(at, bytes))
          return bad(QStringLiteral("data out of range"));
        const QByteArray data = bytes_.mid(at, qsizetype(bytes));
        if (type == 0x4) return data;
        if (type == 0x5) return QString::fromLatin1(data);
        QString text(qsizetype(count), Qt::Uninitialized);
        for (quint64 i = 0; i < count; ++i) {
          text[qsizetype(i)] = QChar(
              ushort((uchar(data[qsizetype(2 * i)]) << 8) | uchar(data[qsizetype(2 * i + 1)])));
        }
        return text;
      }
      case 0x8:
        if (!fits(at, quint64(nibble + 1))) return bad(QStringLiteral("damaged UID"));
        return qint64(unsignedAt(at, std::min(nibble + 1, 8)));
      case 0xA:
      case 0xC:
      case 0xD: {
        quint64 count = 0;
        if (!length(&at, nibble, &count)) return bad(QStringLiteral("damaged length"));
        const quint64 refs = type == 0xD ? count * 2 : count;
        if (count > quint64(end_) || !fits(at, refs * quint64(refSize_))) {
          return bad(QStringLiteral("references out of range"));
        }
        const auto ref = [&](quint64 i) {
          return unsignedAt(at + qsizetype(i * quint64(refSize_)), refSize_);
        };
        if (type != 0xD) {
          QVariantList list;
          for (quint64 i = 0; i < count && error_.isEmpty(); ++i) {
            list.append(object(ref(i), depth + 1));
          }
          return list;
        }
        QVariantMap map;
        for (quint64 i = 0; i < count && error_.isEmpty(); ++i) {
          const QVariant key = object(ref(i), depth + 1);
          if (key.typeId() != QMetaType::QString) return bad(QStringLiteral("key not a string"));
          map.insert(key.toString(), object(ref(count + i), depth + 1));
        }
        return map;
      }
      default:
        return bad(QStringLiteral("unknown object type"));
    }
  }

  const QByteArray& bytes_;
  int offsetSize_ = 0, refSize_ = 0;
  qsizetype end_ = 0;
  quint64 made_ = 0;
  std::vector<quint64> offsets_;
  QString error_;
};

}  // namespace

PlistResult ReadBinaryPlistData(const QByteArray& bytes) { return BinaryPlistReader(bytes).read(); }

}  // namespace glimbrik
