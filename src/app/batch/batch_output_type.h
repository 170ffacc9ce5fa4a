#pragma once

#include "app/panels/option_panels.h"

namespace glimbrik {

// Enables the quality slider, its field, stepper and labels (lossy output types only).
void SetEnableDisableImageTypeSecondaryOption(OptionPanels& panels, bool enable);

// Follows a change of output type: the quality controls, and the colour profiles that the type
// can hold (tags of the profile items: 1 RGB, 2 CMYK, 3 grey). The caller then marks the
// conversion options as changed.
void SetImageTypeSecondaryOption(OptionPanels& panels);

// The quality field was edited (it shows a percentage): up to 100 moves the slider and the
// stepper; above, the field takes the stepper's value back. The caller then marks the conversion
// options as changed.
void QualityFieldTextDidChange(OptionPanels& panels);

}  // namespace glimbrik
