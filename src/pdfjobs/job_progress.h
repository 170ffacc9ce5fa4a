#pragma once

// Progress, cancellation and page selection shared by the PDF and document jobs.

#include <cstdint>

#include "engine/convert/conversion_records.h"

namespace glimbrik {

// True when the receiver is set and says the job was cancelled.
bool IsJobCancelled(const ProgressCallbackInfo& progress);

// Hands value to the progress receiver on the main thread. The first returns at once (the report
// runs later when sent from another thread); the second waits until the receiver has run. From
// the main thread itself, or without an application object, both call the receiver directly.
void ReportJobProgress(const ProgressCallbackInfo& progress, int64_t value);
void ReportJobProgressAndWait(const ProgressCallbackInfo& progress, int64_t value);

// Pages start..end (1-based, inclusive) chosen by a page-range mode over a document of pageCount
// pages: 2 the range firstPage..*lastPage (a last page below 1 is stored back as 1), 1 the single
// page firstPage (page 1 when it is past the end), anything else every page. end < start means
// there is nothing to do, as for every mode over a document without pages.
struct PageSpan {
  int64_t start = 1;
  int64_t end = 0;
};
PageSpan ResolvePageRange(int32_t mode, int64_t firstPage, int64_t* lastPage, int64_t pageCount);

}  // namespace glimbrik
