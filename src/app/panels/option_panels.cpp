#include "app/panels/option_panels.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/panels/panel_widgets.h"

namespace glimbrik {

void AddTaggedItem(QComboBox* popup, const QString& title, int tag) { popup->addItem(title, tag); }

int SelectedTag(const QComboBox* popup) {
  const QVariant tag = popup->currentData();
  return tag.isValid() ? tag.toInt() : -1;
}

bool SelectItemWithTag(QComboBox* popup, int tag) {
  const int index = popup->findData(tag);
  if (index < 0) return false;
  popup->setCurrentIndex(index);
  return true;
}

namespace {

void BuildOptimizationPanel(OptionPanels& p, QWidget* holder) {
  p.OptimizationView = NewPanelView("OptimizationView", holder);
  auto* layout = new QHBoxLayout(p.OptimizationView);
  p.optimizationStaticText = NewLabel("optimizationStaticText", QStringLiteral("Optimize:"));
  p.OptimizationPopupOutlet = Named(new QComboBox, "OptimizationPopupOutlet");
  AddTaggedItem(p.OptimizationPopupOutlet, QStringLiteral("JPEG files"), 1);
  AddTaggedItem(p.OptimizationPopupOutlet, QStringLiteral("PNG files"), 2);
  AddTaggedItem(p.OptimizationPopupOutlet, QStringLiteral("JPEG and PNG files"), 3);
  layout->addWidget(p.optimizationStaticText);
  layout->addWidget(p.OptimizationPopupOutlet, 1);
}

void BuildEffectPanel(OptionPanels& p, QWidget* holder) {
  static const char* const kTitles[9] = {"None",   "Mono",    "Tonal",    "Noir",   "Fade",
                                         "Chrome", "Process", "Transfer", "Instant"};
  p.EffectView1 = NewPanelView("EffectView1", holder);
  auto* grid = new QGridLayout(p.EffectView1);
  p.effectsRadioButtonOutlet = new QButtonGroup(p.EffectView1);
  p.effectsRadioButtonOutlet->setObjectName(QStringLiteral("effectsRadioButtonOutlet"));
  p.effectsRadioButtonOutlet->setExclusive(true);
  for (int tag = 0; tag < 9; ++tag) {
    auto* cell = new QToolButton;
    cell->setObjectName(QStringLiteral("effectCell%1").arg(tag));
    cell->setCheckable(true);
    cell->setText(QString::fromLatin1(kTitles[tag]));
    cell->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    cell->setIconSize(QSize(78, 78));
    cell->setMinimumSize(88, 100);
    p.effectsRadioButtonOutlet->addButton(cell, tag);
    grid->addWidget(cell, tag / 3, tag % 3);
  }
}

void BuildWatermarkFrames(OptionPanels& p, QWidget* holder) {
  for (int i = 0; i < 5; ++i) {
    p.TextWatermarkViews[i] = NewPanelView(
        QStringLiteral("TextWatermarkView%1").arg(i + 1).toLatin1().constData(), holder);
    new QVBoxLayout(p.TextWatermarkViews[i]);
  }
  BuildWatermarkTextRow(p);
  p.ImageWatermarkView1 = NewPanelView("ImageWatermarkView1", holder);
  p.ImageWatermarkView2 = NewPanelView("ImageWatermarkView2", holder);
  new QVBoxLayout(p.ImageWatermarkView1);
  new QVBoxLayout(p.ImageWatermarkView2);
}

}  // namespace

OptionPanels BuildOptionPanels(QWidget* holder) {
  OptionPanels panels;
  BuildConversionPanels(panels, holder);
  BuildOptimizationPanel(panels, holder);
  BuildRenamePanels(panels, holder);
  BuildResizePanels(panels, holder);
  BuildWatermarkFrames(panels, holder);
  BuildEffectPanel(panels, holder);
  BuildGeneralControls(panels, holder);
  return panels;
}

}  // namespace glimbrik
