#include "platform/codecs/other_formats/ccitt_decode.h"

#include "platform/codecs/codec_tiff_io.h"

namespace glimbrik {

bool DecodeCCITTFax(const QByteArray& data, const CcittParameters& parameters, int width,
                    int height, QByteArray* rows) {
  try {
    const int k = parameters.k;
    const int columns = parameters.columns;
    const int lines = parameters.rows > 0 ? parameters.rows : height;
    const bool blackIs1 = parameters.blackIs1;
    const bool aligned = parameters.encodedByteAlign;
    if (columns != width || lines < height || columns <= 0 || data.isEmpty()) return false;

    // The fax data becomes the one strip of a TIFF that libtiff then decodes.
    QByteArray tiffBytes;
    codec::TiffMemory out{&tiffBytes, nullptr, 0, {}};
    {
      codec::TiffPtr tiff = codec::OpenTiffForWriting(&out);
      if (!tiff) return false;
      TIFF* t = tiff.get();
      TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(columns));
      TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(lines));
      TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
      TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
      TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(lines));
      TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
      if (k < 0) {
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
      } else {
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
        TIFFSetField(
            t, TIFFTAG_GROUP3OPTIONS,
            uint32_t((k > 0 ? GROUP3OPT_2DENCODING : 0) | (aligned ? GROUP3OPT_FILLBITS : 0)));
      }
      if (TIFFWriteRawStrip(t, 0, const_cast<char*>(data.constData()), tmsize_t(data.size())) < 0 ||
          !TIFFWriteDirectory(t)) {
        return false;
      }
    }
    codec::TiffMemory in{nullptr, &tiffBytes, 0, {}};
    codec::TiffPtr tiff = codec::OpenTiffForReading(&in);
    if (!tiff) return false;
    const qsizetype rowBytes = (columns + 7) / 8;
    if (TIFFScanlineSize(tiff.get()) != rowBytes) return false;
    rows->resize(rowBytes * height);
    for (int y = 0; y < height; ++y) {
      char* row = rows->data() + y * rowBytes;
      // A damaged stream stops here; what was read stays, the rest is white.
      if (TIFFReadScanline(tiff.get(), row, uint32_t(y), 0) != 1) {
        std::fill(row, rows->data() + rows->size(), char(0));
        break;
      }
    }
    // libtiff gives 1 for black; the filter's output has 0 for black unless BlackIs1.
    if (!blackIs1) {
      for (char& byte : *rows) byte = char(~byte);
    }
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace glimbrik
