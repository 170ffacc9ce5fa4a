#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

namespace glimbrik {

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// An empty panel view for a sidebar row.
QWidget* NewPanelView(const char* name, QWidget* holder);
QLabel* NewLabel(const char* name, const QString& text);
// A one-line label that ends a text too wide for it in an ellipsis instead of cutting it; its
// text stays whole.
QLabel* NewElidingLabel(const char* name);
// Enables a static text and gives it the control or disabled text colour.
void SetLabelEnabled(QLabel* label, bool enabled);

}  // namespace glimbrik
