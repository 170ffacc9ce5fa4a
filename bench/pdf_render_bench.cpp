// Renders a generated 100-page PDF (US Letter, text, vector shapes and a gradient on every page)
// into PNG files at 150 dpi, once with a single worker and once with the pool of
// processorCount - 1 workers. Prints pages per second of each and checks every written page.
//
//   pdf_render_bench [pages=100] [dpi=150] [output type=7]

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>

#include "pdfjobs/pdf_jobs.h"

namespace glimbrik {
namespace {

bool WriteDocument(const QString& path, int pages) {
  QPdfWriter writer(path);
  writer.setResolution(72);
  writer.setPageSize(QPageSize(QPageSize::Letter));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  QFont font(QStringLiteral("DejaVu Serif"));
  font.setPointSizeF(10);
  painter.setFont(font);
  for (int p = 0; p < pages; ++p) {
    if (p > 0) writer.newPage();
    QLinearGradient gradient(0, 0, 612, 200);
    gradient.setColorAt(0, QColor::fromHsv((p * 37) % 360, 120, 240));
    gradient.setColorAt(1, Qt::white);
    painter.fillRect(QRectF(0, 0, 612, 200), gradient);
    painter.setPen(QPen(Qt::darkBlue, 1.5));
    for (int i = 0; i < 40; ++i) {
      painter.drawEllipse(QPointF(306 + 200 * std::cos(i * 0.3 + p), 120 + 60 * std::sin(i * 0.5)),
                          20 + i, 10 + i / 2.0);
    }
    painter.setPen(Qt::black);
    for (int line = 0; line < 45; ++line) {
      painter.drawText(QPointF(54, 230 + line * 12),
                       QStringLiteral("Page %1, line %2: the quick brown fox jumps over the lazy "
                                      "dog while the batch renders every page in turn.")
                           .arg(p + 1)
                           .arg(line + 1));
    }
  }
  return painter.end();
}

struct Figures {
  double seconds = 0;
  int written = 0;
  int wrongSize = 0;
  int result = 0;
};

Figures Render(const QString& source, const QString& folder, bool pool, int dpi, int type,
               QSize expected) {
  ImageConversion c;
  c.sourceURL = source;
  c.destinationURL = folder;
  c.options.outputType = type;
  c.options.resolution = dpi;
  c.useAllProcessors = pool;
  QElapsedTimer timer;
  timer.start();
  Figures f;
  f.result = ConvertPDFToImages(&c);
  f.seconds = timer.nsecsElapsed() / 1e9;
  for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
    ++f.written;
    if (QImageReader(file.filePath()).size() != expected) ++f.wrongSize;
  }
  return f;
}

}  // namespace
}  // namespace glimbrik

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const int pages = argc > 1 ? std::atoi(argv[1]) : 100;
  const int dpi = argc > 2 ? std::atoi(argv[2]) : 150;
  const int type = argc > 3 ? std::atoi(argv[3]) : 7;
  QTemporaryDir work;
  const QString source = work.filePath(QStringLiteral("bench.pdf"));
  if (!glimbrik::WriteDocument(source, pages)) {
    std::fprintf(stderr, "could not write the test document\n");
    return 1;
  }
  const QSize expected(int(std::nearbyint(612.0 * dpi / 72)),
                       int(std::nearbyint(792.0 * dpi / 72)));
  std::printf("%d pages of 612 x 792 pt at %d dpi (%d x %d px), output type %d, %d processors\n",
              pages, dpi, expected.width(), expected.height(), type, QThread::idealThreadCount());
  bool ok = true;
  double single = 0;
  for (bool pool : {false, true}) {
    const QString folder = work.filePath(pool ? QStringLiteral("pool") : QStringLiteral("single"));
    QDir().mkpath(folder);
    const glimbrik::Figures f = glimbrik::Render(source, folder, pool, dpi, type, expected);
    if (!pool) single = f.seconds;
    std::printf("%-14s %7.2f s  %7.2f pages/s  %d files, %d of wrong size, result %d%s\n",
                pool ? "pool" : "single worker", f.seconds, pages / f.seconds, f.written,
                f.wrongSize, f.result, pool ? "" : "");
    if (pool) std::printf("speed-up %.2fx\n", single / f.seconds);
    ok = ok && f.result == 1 && f.written == pages && f.wrongSize == 0;
  }
  if (!ok) std::fprintf(stderr, "a run did not write every page correctly\n");
  return ok ? 0 : 1;
}
