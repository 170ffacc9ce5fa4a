#pragma once

#include <optional>

#include "app/batch/batch_host.h"
#include "app/batch/batch_snapshot.h"
#include "engine/convert/conversion_records.h"

namespace glimbrik {

// Resolutions above this are refused before a run.
inline constexpr int64_t kMaximumResizeResolution = 3000;

// Fills the run-wide parts of a fresh record from the options and checks them, asking the host
// for the alerts. False ends the run before anything is written.
bool IsConversionOptionsValid(const BatchOptions& options, bool preview, BatchRunHost& host,
                              ImageConversion* conversion);

// The resize part as the panel shows it, without alerts; none when resizing is off.
std::optional<ImageResizeOptions> GetResizingOptions(const BatchOptions& options);

// The resolution typed into the combo box, as a run uses it: 0 when the box is off, and never
// below 1 when it is on.
int64_t ResizeResolution(const BatchOptions& options);

// Whether the quality control applies to an output-type index.
bool OutputTypeUsesQuality(int outputType);

}  // namespace glimbrik
