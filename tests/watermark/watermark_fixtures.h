#pragma once

#include <QFont>
#include <QImage>
#include <QTableView>
#include <QVariantMap>
#include <memory>

#include "watermark/watermark_keys.h"
#include "watermark/watermark_model.h"
#include "watermark/watermark_preset_table.h"
#include "watermark/watermark_transfer.h"
#include "watermark/watermark_view.h"

namespace glimbrik::test {

// A complete preset of the given text: every key a record needs, shadow on.
inline QVariantMap CompletePreset(const QString& text, int64_t fontSize = 40) {
  TextWatermarkValues v;
  v.textStringTokens = {text};
  v.textFont = QFont(QStringLiteral("DejaVu Sans"));
  v.textFontSize = fontSize;
  v.textFontColor = Qt::red;
  v.textOpacity = 0.9;
  v.baseImageSizeForTextWatermark = QSizeF(550, 550);
  v.textWatermarkOffset = QPointF(10, 10);
  QVariantMap preset;
  WriteTextWatermarkPreferenceValue(v, &preset);
  return preset;
}

// The strings of a watermark text, without its tokens: a view's text with no window behind it.
inline QString PlainText(const TokenArray& tokens) {
  QString text;
  for (const TokenElement& e : tokens) {
    if (const auto* s = std::get_if<QString>(&e)) text += *s;
  }
  return text;
}

// Presets under their titles, one row each in the given order, ticked as given.
inline void SetPresets(WatermarkModel& model, const QList<QPair<QString, QVariantMap>>& presets,
                       const QList<bool>& ticked) {
  QVariantMap all;
  std::vector<WatermarkPresetRow> rows;
  for (qsizetype i = 0; i < presets.size(); ++i) {
    all.insert(presets[i].first, presets[i].second);
    rows.push_back({presets[i].first, ticked.value(i), std::nullopt});
  }
  model.setAllPresetDictionary(all);
  model.setWaterMarkPresetArray(rows);
}

// An editor over a preview of the given size, fitted over an image of the given ratio; with
// its preset table when asked.
struct PreviewEditor {
  PreviewEditor(int w, int h, double ratio = 1.0, bool withTable = false) {
    preview.resize(w, h);
    view = new WatermarkView(&preview);
    view->host.textWatermarkFullString = PlainText;
    view->setImageAspectRatio(ratio);
    if (withTable) table.reset(view->MakePresetTableControls());
  }
  WatermarkModel& model() { return view->model(); }
  // The title as the preset table shows it, with the unsaved mark.
  QString Shown(int row) const {
    QAbstractItemModel* m = view->waterMarkTableOutlet()->model();
    return m->data(m->index(row, kPresetTitleColumn), Qt::DisplayRole).toString();
  }
  // The overlay drawn once over a white image of the view's size.
  QImage Draw() {
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    view->render(&image);
    return image;
  }
  QWidget preview;
  WatermarkView* view = nullptr;
  std::unique_ptr<QWidget> table;
};

}  // namespace glimbrik::test
