#pragma once

// The page and PDF settings that every PDF job's options record shares, copied into a job.

#include <cstdint>
#include <type_traits>

namespace glimbrik {

// A page side in whole points; a negative or missing side counts as none.
template <typename To, typename From>
To PageSide(From side) {
  if constexpr (std::is_floating_point_v<From> && std::is_integral_v<To>) {
    return side > 0 ? To(side) : 0;
  } else {
    return To(side);
  }
}

template <typename Options, typename Job>
void CopyPageSettings(const Options& options, Job* job) {
  using Side = decltype(job->pageWidth);
  job->pageWidth = PageSide<Side>(options.pageWidth);
  job->pageHeight = PageSide<Side>(options.pageHeight);
  job->leftMargin = options.leftMargin;
  job->rightMargin = options.rightMargin;
  job->topMargin = options.topMargin;
  job->bottomMargin = options.bottomMargin;
  job->orientation = options.orientation;
  job->pdfDocumentAttributes = options.pdfDocumentAttributes;
  job->progressCallback = options.progressCallback;
}

}  // namespace glimbrik
