#pragma once

class QLineEdit;

namespace glimbrik {

// Makes a text field editable and selectable, in the control text colour, or neither, in the
// disabled text colour, while it stays enabled (so that it keeps its place in the tab order of a
// form that greys it out only in looks).
void SetTextFieldEnabled(QLineEdit* field, bool flag);

}  // namespace glimbrik
