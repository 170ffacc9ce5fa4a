#pragma once

#include "app/batch/batch_controller.h"
#include "app/batch/batch_output_type.h"

namespace glimbrik {

class AppDelegate;

// Gives the application its batch run: the convert commands, the output-type reactions of the
// conversion panel, the progress sheet and the completion alert. The controller is a child of
// the delegate.
BatchController* InstallBatchRun(AppDelegate& delegate);

}  // namespace glimbrik
