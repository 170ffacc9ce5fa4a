#include <QHBoxLayout>

#include "app/panels/option_panels.h"
#include "app/panels/panel_widgets.h"
#include "platform/store/bundle_resources.h"

namespace glimbrik {

void BuildWatermarkTextRow(OptionPanels& p) {
  auto* row = new QHBoxLayout;
  p.textLabelOutlet = NewLabel("textLabelOutlet", QStringLiteral("Text:"));
  p.textTextFieldOutlet = Named(new TokenField, "textTextFieldOutlet");
  p.textInsertTokenButtonOutlet = Named(new QToolButton, "textInsertTokenButtonOutlet");
  p.textInsertTokenButtonOutlet->setIcon(TemplateIcon(QStringLiteral("AddSmall.pdf")));
  // A click on the button leaves the field's caret where it is.
  p.textInsertTokenButtonOutlet->setFocusPolicy(Qt::NoFocus);
  row->addWidget(p.textLabelOutlet, 0, Qt::AlignTop);
  row->addWidget(p.textTextFieldOutlet, 1);
  row->addWidget(p.textInsertTokenButtonOutlet, 0, Qt::AlignTop);
  static_cast<QBoxLayout*>(p.TextWatermarkViews[0]->layout())->addLayout(row);
  // Room for a few lines before it scrolls.
  p.textTextFieldOutlet->setAcceptsLineBreaks(true);
  p.textTextFieldOutlet->setMinimumHeight(p.textTextFieldOutlet->sizeHint().height());
}

}  // namespace glimbrik
