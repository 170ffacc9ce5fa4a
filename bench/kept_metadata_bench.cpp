// Converts each given file, metadata kept, into JPEG, PNG, TIFF and WebP files named after it in
// one folder, for checking by hand what an output keeps of its source's metadata:
//
//   kept_metadata_bench <output folder> <file>...
//
// bench/kept_metadata_check.sh runs it over a folder and compares the outputs with exiftool.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "engine/convert/conversion_records.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <output folder> <file>...\n", argv[0]);
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    const QString source = QString::fromLocal8Bit(argv[i]);
    for (const auto& [type, extension] :
         {std::pair{4, "jpg"}, std::pair{7, "png"}, std::pair{10, "tif"}, std::pair{24, "webp"}}) {
      glimbrik::ImageConversion c;
      c.sourceURL = source;
      c.destinationURL = folder + '/' + QFileInfo(source).completeBaseName() + '.' + extension;
      c.options.outputType = type;
      c.options.quality = 0.8;
      c.options.preserveMetadata = 1;
      if (glimbrik::ProcessImageFile(&c) != 0) {
        std::fprintf(stderr, "%s: not written\n", qPrintable(c.destinationURL));
        ++failures;
      }
    }
  }
  return failures == 0 ? 0 : 1;
}
