#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/filters/pipeline_pixels.h"
#include "engine/watermark/watermark_options.h"
#include "engine/watermark/watermark_render.h"

namespace glimbrik {

namespace {

// The laid-out text as one outline, y down from the frame's top-left corner.
struct TextOutline {
  QPainterPath path;
  QSizeF size;
};

Qt::Alignment AlignmentFor(uint8_t alignment) {
  switch (alignment) {
    case 0:
      return Qt::AlignLeft | Qt::AlignAbsolute;
    case 1:
      return Qt::AlignRight | Qt::AlignAbsolute;
    case 2:
      return Qt::AlignHCenter;
    case 3:
      return Qt::AlignJustify;
    default:
      return Qt::AlignLeading;
  }
}

QFont StyledFont(const TextWatermarkOptions& record) {
  // The whole face, not the family alone: its style name where it has one ("Condensed Bold"),
  // else its weight, slant and width.
  QFont font = record.font;
  font.setPixelSize(static_cast<int>(std::clamp<int64_t>(record.fontSize, 1, 100000)));
  font.setLetterSpacing(QFont::AbsoluteSpacing, record.charSpace);
  // Outlines are scaled to any canvas afterwards, so hinting for one size would distort them.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::ForceOutline);
  return font;
}

void LayOut(QTextLayout& layout, double lineWidth) {
  layout.beginLayout();
  double y = 0.0;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(lineWidth);
    line.setPosition(QPointF(0.0, y));
    y += line.height();
  }
  layout.endLayout();
}

TextOutline OutlineText(const QString& rawText, const TextWatermarkOptions& record) {
  QString text = rawText;
  // Every line break starts a new line of one unconstrained paragraph.
  text.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
  for (QChar& c : text) {
    if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator) c = QChar::LineSeparator;
  }
  const QFont font = StyledFont(record);
  QTextLayout layout(text, font);
  QTextOption option(AlignmentFor(record.alignment));
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  LayOut(layout, 1e7);
  double width = 0.0;
  double height = 0.0;
  for (int i = 0; i < layout.lineCount(); ++i) {
    width = std::max(width, layout.lineAt(i).naturalTextWidth());
    height = layout.lineAt(i).y() + layout.lineAt(i).height();
  }
  // Second pass at the text's own width, so that alignment acts within the frame.
  LayOut(layout, std::max(width, 1.0));

  TextOutline outline;
  outline.size = QSizeF(width, height);
  outline.path.setFillRule(Qt::WindingFill);
  for (const QGlyphRun& run : layout.glyphRuns()) {
    const QRawFont rawFont = run.rawFont();
    const QList<quint32> glyphs = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
      outline.path.addPath(rawFont.pathForGlyph(glyphs[i]).translated(positions[i]));
    }
  }
  if (record.underline != 0) {
    const QFontMetricsF metrics(font);
    const double thickness = std::max(metrics.lineWidth(), 1.0);
    for (int i = 0; i < layout.lineCount(); ++i) {
      const QTextLine line = layout.lineAt(i);
      const double y = line.y() + line.ascent() + metrics.underlinePos();
      outline.path.addRect(
          QRectF(line.x() + line.cursorToX(0), y, line.naturalTextWidth(), thickness));
    }
  }
  return outline;
}

// The stroke attribute: positive outlines only, negative fills and outlines, as a percentage of
// the font size.
double StrokeAttribute(const TextWatermarkOptions& record) {
  if (record.drawingMode == 1) return static_cast<double>(record.strokeWidth);
  if (record.drawingMode == 2) return -static_cast<double>(record.strokeWidth);
  return 0.0;
}

QImage ShadowOf(const QImage& layer, const QColor& colour, double sigma) {
  const int w = layer.width();
  const int h = layer.height();
  std::vector<float> alpha(size_t(w) * h);
  for (int y = 0; y < h; ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
    for (int x = 0; x < w; ++x) alpha[size_t(y) * w + x] = float(qAlpha(row[x]));
  }
  GaussianBlurPlane(alpha.data(), w, h, sigma);
  QImage shadow(w, h, QImage::Format_ARGB32_Premultiplied);
  const float scale = float(colour.alphaF()) / 255.0f;
  const QColor rgb = colour.toRgb();
  for (int y = 0; y < h; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(shadow.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const float a = std::clamp(alpha[size_t(y) * w + x] * scale, 0.0f, 1.0f);
      row[x] = qRgba(int(rgb.red() * a + 0.5f), int(rgb.green() * a + 0.5f),
                     int(rgb.blue() * a + 0.5f), int(a * 255.0f + 0.5f));
    }
  }
  return shadow;
}

}  // namespace

QRectF DrawTextWatermark(QPainter* painter, const QString& text, TextWatermarkOptions* record,
                         bool writeBackOffset, double width, double height) {
  const double s = std::max(width, height) / kWatermarkReferenceSide;
  if (!(s > 0.0)) return QRectF();
  const double W = width / s;
  const double H = height / s;
  const QPointF offset = RescaleWatermarkOffset(record->offset, record->baseImageSize, W, H);
  const TextOutline outline =
      record->fontSize > 0 ? OutlineText(text, *record) : TextOutline{QPainterPath(), QSizeF()};
  const QSizeF size = outline.size;
  const QPointF origin = WatermarkOriginForPosition(record->position, offset.x(), offset.y(),
                                                    size.width(), size.height(), W, H);
  if (writeBackOffset) record->offset = offset;
  const QRectF frame(origin, size);
  if (outline.path.isEmpty() || !painter->device()) return frame;

  // Frame coordinates (y down from the frame's top) to device pixels.
  QTransform toDevice = QTransform::fromTranslate(0.0, size.height());
  toDevice.scale(1.0, -1.0);
  toDevice = toDevice * FrameTransform(origin, size, record->rotationAngle) *
             QTransform::fromScale(s, s) * painter->worldTransform();

  const double stroke = StrokeAttribute(*record);
  const double penWidth = std::fabs(stroke) * static_cast<double>(record->fontSize) / 100.0;
  const bool shadow = record->dropShadow && record->shadowColor && record->shadowColor->isValid();
  // A blur wider than any canvas looks the same as this one and keeps the kernel small.
  constexpr double kMaxShadowSigma = 500.0;
  const double sigma =
      shadow ? std::clamp(double(record->shadowBlur) * s / 2.0, 0.0, kMaxShadowSigma) : 0.0;
  // Shadows are offset in device space with y up.
  const QPointF shadowShift =
      shadow ? QPointF(double(record->shadowXOffset) * s, -double(record->shadowYOffset) * s)
             : QPointF();

  const QRectF textBox =
      toDevice
          .mapRect(outline.path.boundingRect().adjusted(-penWidth, -penWidth, penWidth, penWidth))
          .adjusted(-2, -2, 2, 2);
  // The layer holds the text where it meets the canvas, and the text that casts the part of the
  // shadow that meets the canvas, and no more.
  const double blurReach = 3.0 * sigma + 2.0;
  const QRectF canvas(0, 0, painter->device()->width(), painter->device()->height());
  QRectF needed = textBox & canvas;
  if (shadow) {
    const QRectF shadowOnCanvas =
        textBox.translated(shadowShift).adjusted(-blurReach, -blurReach, blurReach, blurReach) &
        canvas;
    if (!shadowOnCanvas.isEmpty()) {
      needed |= shadowOnCanvas;
      needed |= (shadowOnCanvas.translated(-shadowShift) & textBox)
                    .adjusted(-blurReach, -blurReach, blurReach, blurReach);
    }
  }
  const QRect layerRect = needed.toAlignedRect();
  // Only a nonsensical record asks for more; it draws nothing rather than exhaust memory.
  constexpr int64_t kMaxLayerPixels = int64_t(1) << 26;
  if (int64_t(layerRect.width()) * layerRect.height() > kMaxLayerPixels) return frame;
  if (layerRect.isEmpty()) return frame;

  // Shadow and text are composed in one layer, which then goes onto the canvas at the opacity:
  // overlapping glyphs never darken, and the shadow falls from the text as a whole.
  QImage layer(layerRect.size(), QImage::Format_ARGB32_Premultiplied);
  if (layer.isNull()) return frame;
  layer.fill(Qt::transparent);
  {
    QPainter lp(&layer);
    lp.setRenderHint(QPainter::Antialiasing, true);
    lp.setTransform(toDevice * QTransform::fromTranslate(-layerRect.x(), -layerRect.y()));
    if (stroke <= 0.0) lp.fillPath(outline.path, record->textColor);
    if (stroke != 0.0 && penWidth > 0.0) {
      QPen pen(record->strokeColor, penWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
      lp.strokePath(outline.path, pen);
    }
  }
  if (shadow) {
    QImage composed(layer.size(), QImage::Format_ARGB32_Premultiplied);
    composed.fill(Qt::transparent);
    QPainter cp(&composed);
    cp.drawImage(shadowShift, ShadowOf(layer, *record->shadowColor, sigma));
    cp.drawImage(QPointF(0, 0), layer);
    cp.end();
    layer = composed;
  }
  painter->save();
  painter->resetTransform();
  painter->setOpacity(painter->opacity() * std::clamp(record->opacity, 0.0, 1.0));
  painter->drawImage(layerRect.topLeft(), layer);
  painter->restore();
  return frame;
}

}  // namespace glimbrik
