#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "app/batch/batch_host.h"

namespace glimbrik {

// The texts of the alert that ends a run, from its final status bits and its file count.
struct CompletionAlertTexts {
  QString title;
  QString message;
  bool offerOpenDestination = false;  // the alternate button opens the destination folder
};

// Failed files, when given, are named with their reasons in place of the general message.
CompletionAlertTexts CompletionAlertTextsFor(long finalStatus, int64_t fileCount,
                                             const std::vector<BatchFailure>& failures = {});

// The text of the "Export Completed" notification.
QString CompletionNotificationText(const CompletionAlertTexts& texts);

}  // namespace glimbrik
