// Raw fax files have no header: the size comes from walking the one-dimensional (Modified
// Huffman) codes line by line; libtiff then decodes the pixels, as it does for PDF fax images.
#include <array>
#include <mutex>

#include "platform/codecs/other_formats/ccitt_decode.h"
#include "platform/codecs/other_formats/codec_legacy_decoders.h"

namespace glimbrik::codec {

namespace {

// Standard fax resolution, fine mode, as fax tools state it for a headerless file.
constexpr double kFaxDpiX = 204.0;
constexpr double kFaxDpiY = 196.0;

struct Code {
  const char* bits;
  int run;
};

// ITU-T T.4 run-length codes. Runs of 64 and more are make-up codes followed by a terminating one.
constexpr Code kWhite[] = {
    {"00110101", 0},     {"000111", 1},       {"0111", 2},         {"1000", 3},
    {"1011", 4},         {"1100", 5},         {"1110", 6},         {"1111", 7},
    {"10011", 8},        {"10100", 9},        {"00111", 10},       {"01000", 11},
    {"001000", 12},      {"000011", 13},      {"110100", 14},      {"110101", 15},
    {"101010", 16},      {"101011", 17},      {"0100111", 18},     {"0001100", 19},
    {"0001000", 20},     {"0010111", 21},     {"0000011", 22},     {"0000100", 23},
    {"0101000", 24},     {"0101011", 25},     {"0010011", 26},     {"0100100", 27},
    {"0011000", 28},     {"00000010", 29},    {"00000011", 30},    {"00011010", 31},
    {"00011011", 32},    {"00010010", 33},    {"00010011", 34},    {"00010100", 35},
    {"00010101", 36},    {"00010110", 37},    {"00010111", 38},    {"00101000", 39},
    {"00101001", 40},    {"00101010", 41},    {"00101011", 42},    {"00101100", 43},
    {"00101101", 44},    {"00000100", 45},    {"00000101", 46},    {"00001010", 47},
    {"00001011", 48},    {"01010010", 49},    {"01010011", 50},    {"01010100", 51},
    {"01010101", 52},    {"00100100", 53},    {"00100101", 54},    {"01011000", 55},
    {"01011001", 56},    {"01011010", 57},    {"01011011", 58},    {"01001010", 59},
    {"01001011", 60},    {"00110010", 61},    {"00110011", 62},    {"00110100", 63},
    {"11011", 64},       {"10010", 128},      {"010111", 192},     {"0110111", 256},
    {"00110110", 320},   {"00110111", 384},   {"01100100", 448},   {"01100101", 512},
    {"01101000", 576},   {"01100111", 640},   {"011001100", 704},  {"011001101", 768},
    {"011010010", 832},  {"011010011", 896},  {"011010100", 960},  {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280},
    {"011011010", 1344}, {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536},
    {"010011010", 1600}, {"011000", 1664},    {"010011011", 1728},
};

constexpr Code kBlack[] = {
    {"0000110111", 0},
    {"010", 1},
    {"11", 2},
    {"10", 3},
    {"011", 4},
    {"0011", 5},
    {"0010", 6},
    {"00011", 7},
    {"000101", 8},
    {"000100", 9},
    {"0000100", 10},
    {"0000101", 11},
    {"0000111", 12},
    {"00000100", 13},
    {"00000111", 14},
    {"000011000", 15},
    {"0000010111", 16},
    {"0000011000", 17},
    {"0000001000", 18},
    {"00001100111", 19},
    {"00001101000", 20},
    {"00001101100", 21},
    {"00000110111", 22},
    {"00000101000", 23},
    {"00000010111", 24},
    {"00000011000", 25},
    {"000011001010", 26},
    {"000011001011", 27},
    {"000011001100", 28},
    {"000011001101", 29},
    {"000001101000", 30},
    {"000001101001", 31},
    {"000001101010", 32},
    {"000001101011", 33},
    {"000011010010", 34},
    {"000011010011", 35},
    {"000011010100", 36},
    {"000011010101", 37},
    {"000011010110", 38},
    {"000011010111", 39},
    {"000001101100", 40},
    {"000001101101", 41},
    {"000011011010", 42},
    {"000011011011", 43},
    {"000001010100", 44},
    {"000001010101", 45},
    {"000001010110", 46},
    {"000001010111", 47},
    {"000001100100", 48},
    {"000001100101", 49},
    {"000001010010", 50},
    {"000001010011", 51},
    {"000000100100", 52},
    {"000000110111", 53},
    {"000000111000", 54},
    {"000000100111", 55},
    {"000000101000", 56},
    {"000001011000", 57},
    {"000001011001", 58},
    {"000000101011", 59},
    {"000000101100", 60},
    {"000001011010", 61},
    {"000001100110", 62},
    {"000001100111", 63},
    {"0000001111", 64},
    {"000011001000", 128},
    {"000011001001", 192},
    {"000001011011", 256},
    {"000000110011", 320},
    {"000000110100", 384},
    {"000000110101", 448},
    {"0000001101100", 512},
    {"0000001101101", 576},
    {"0000001001010", 640},
    {"0000001001011", 704},
    {"0000001001100", 768},
    {"0000001001101", 832},
    {"0000001110010", 896},
    {"0000001110011", 960},
    {"0000001110100", 1024},
    {"0000001110101", 1088},
    {"0000001110110", 1152},
    {"0000001110111", 1216},
    {"0000001010010", 1280},
    {"0000001010011", 1344},
    {"0000001010100", 1408},
    {"0000001010101", 1472},
    {"0000001011010", 1536},
    {"0000001011011", 1600},
    {"0000001100100", 1664},
    {"0000001100101", 1728},
};

// Make-up codes shared by both colours.
constexpr Code kExtended[] = {
    {"00000001000", 1792},  {"00000001100", 1856},  {"00000001101", 1920},  {"000000010010", 1984},
    {"000000010011", 2048}, {"000000010100", 2112}, {"000000010101", 2176}, {"000000010110", 2240},
    {"000000010111", 2304}, {"000000011100", 2368}, {"000000011101", 2432}, {"000000011110", 2496},
    {"000000011111", 2560},
};

constexpr int kLookupBits = 13;

// Indexed by the next 13 bits: the run (high 16 bits) and the code length (low bits); 0 when no
// code starts there.
struct Lookup {
  std::array<uint32_t, 1 << kLookupBits> white{};
  std::array<uint32_t, 1 << kLookupBits> black{};
};

void Enter(std::array<uint32_t, 1 << kLookupBits>* table, const Code& code) {
  int value = 0, length = 0;
  for (const char* c = code.bits; *c; ++c, ++length) value = value << 1 | (*c == '1');
  const int shift = kLookupBits - length;
  for (int i = value << shift; i < (value + 1) << shift; ++i) {
    (*table)[size_t(i)] = uint32_t(code.run) << 16 | uint32_t(length);
  }
}

const Lookup& Tables() {
  static const Lookup lookup = [] {
    Lookup l;
    for (const Code& c : kWhite) Enter(&l.white, c);
    for (const Code& c : kBlack) Enter(&l.black, c);
    for (const Code& c : kExtended) {
      Enter(&l.white, c);
      Enter(&l.black, c);
    }
    return l;
  }();
  return lookup;
}

class BitReader {
 public:
  explicit BitReader(const QByteArray& data)
      : data_(reinterpret_cast<const uchar*>(data.constData())), bits_(size_t(data.size()) * 8) {}
  bool atEnd() const { return pos_ >= bits_; }
  size_t left() const { return bits_ - pos_; }
  // The next n bits (n <= 16), zeros past the end.
  uint32_t peek(int n) const {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
      const size_t p = pos_ + size_t(i);
      v = v << 1 | (p < bits_ ? (data_[p >> 3] >> (7 - (p & 7))) & 1 : 0);
    }
    return v;
  }
  void skip(size_t n) { pos_ = std::min(bits_, pos_ + n); }
  // At an end-of-line code (eleven or more zeros, then a one): consumes it.
  bool takeEndOfLine() {
    if (left() < 12 || peek(11) != 0) return false;
    size_t p = pos_ + 11;
    while (p < bits_ && !((data_[p >> 3] >> (7 - (p & 7))) & 1)) ++p;
    if (p >= bits_) return false;
    pos_ = p + 1;
    return true;
  }
  // Only fill bits are left.
  bool onlyZerosLeft() const {
    for (size_t p = pos_; p < bits_; ++p) {
      if ((data_[p >> 3] >> (7 - (p & 7))) & 1) return false;
    }
    return true;
  }

 private:
  const uchar* data_;
  size_t bits_;
  size_t pos_ = 0;
};

struct FaxSize {
  int width = 0;
  int lines = 0;
};

// Walks the coded lines: the first gives the width, the count of lines up to the return-to-
// control (end-of-line codes in a row) or the end of the data gives the height.
QString MeasureFax(const QByteArray& data, FaxSize* size) {
  const Lookup& tables = Tables();
  BitReader bits(data);
  int endsInRow = 0;
  while (!bits.atEnd()) {
    if (bits.takeEndOfLine()) {
      if (++endsInRow >= 2 && size->lines > 0) return QString();
      continue;
    }
    if (bits.onlyZerosLeft()) break;
    endsInRow = 0;
    bool white = true;
    int x = 0;
    // One line: runs of alternating colours until the next end-of-line code or the data's end.
    while (true) {
      const uint32_t entry = (white ? tables.white : tables.black)[bits.peek(kLookupBits)];
      const int length = int(entry & 0xFFFF);
      if (length == 0 || size_t(length) > bits.left()) {
        return bits.onlyZerosLeft() || size_t(length) > bits.left()
                   ? QStringLiteral("truncated fax data")
                   : QStringLiteral("corrupt fax data");
      }
      bits.skip(size_t(length));
      const int run = int(entry >> 16);
      x += run;
      if (x > kMaxImageSide) return QStringLiteral("corrupt fax data");
      if (run < 64) {
        white = !white;
        if (bits.atEnd() || bits.peek(11) == 0) break;  // an end-of-line code or fill
      }
    }
    if (size->lines == 0) {
      size->width = x;
    } else if (x != size->width) {
      return bits.onlyZerosLeft() ? QStringLiteral("truncated fax data")
                                  : QStringLiteral("corrupt fax data");
    }
    ++size->lines;
  }
  if (size->lines == 0) return QStringLiteral("no fax lines in the file");
  return QString();
}

}  // namespace

QString ProbeFax(const QByteArray& data, Representations* out) {
  FaxSize size;
  if (QString reason = MeasureFax(data, &size); !reason.isEmpty()) return reason;
  out->push_back(BilevelRepresentation(size.width, size.lines, kFaxDpiX, kFaxDpiY));
  return QString();
}

ImageResult<QImage> DecodeFax(const QByteArray& data, const ImageRepresentation& rep) {
  using Result = ImageResult<QImage>;
  const int w = rep.pixelWidth, h = rep.pixelHeight;
  CcittParameters parameters;
  parameters.columns = w;
  parameters.rows = h;
  parameters.blackIs1 = true;
  QByteArray rows;
  if (!DecodeCCITTFax(data, parameters, w, h, &rows)) {
    return Result::Fail(QStringLiteral("corrupt fax data"));
  }
  const qsizetype rowBytes = (w + 7) / 8;
  if (rows.size() < rowBytes * h) return Result::Fail(QStringLiteral("corrupt fax data"));
  return DecodeBilevelRows(reinterpret_cast<const uchar*>(rows.constData()), rowBytes, rep);
}

}  // namespace glimbrik::codec
