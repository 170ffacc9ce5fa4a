#pragma once

#include <QString>
#include <cstdint>

namespace glimbrik {

// The texts of the alert that ends a run, from its final status bits and its file count.
struct CompletionAlertTexts {
  QString title;
  QString message;
  bool offerOpenDestination = false;  // the alternate button opens the destination folder
};

CompletionAlertTexts CompletionAlertTextsFor(long finalStatus, int64_t fileCount);

// The text of the "Export Completed" notification.
QString CompletionNotificationText(const CompletionAlertTexts& texts);

}  // namespace glimbrik
