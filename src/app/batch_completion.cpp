#include "app/batch_completion.h"

#include "app/batch_host.h"
#include "platform/localization.h"

namespace glimbrik {

CompletionAlertTexts CompletionAlertTextsFor(long finalStatus, int64_t fileCount) {
  CompletionAlertTexts t;
  const auto n = static_cast<qlonglong>(fileCount);
  if ((finalStatus & kStatusWritten) != 0) {
    t.offerOpenDestination = true;
    if ((finalStatus & kStatusFailed) != 0) {
      t.title = LocalizedString("ConvertMsgTitle").arg(n).arg(QStringLiteral("s"));
      t.message = LocalizedString("FailureConvertMsg");
    } else {
      t.title = LocalizedString("SuccessfullConvertMsgTitle")
                    .arg(n)
                    .arg(fileCount != 1 ? QStringLiteral("s") : QString());
    }
    if ((finalStatus & kStatusNotEnlarged) != 0) {
      if (!t.message.isEmpty()) t.message += u' ';
      t.message += LocalizedString("DidNotUpScaleAlertMessage");
    }
  } else {
    t.title = LocalizedString("FailureConvertMsgTitle");
    t.message =
        LocalizedString(fileCount == 1 ? "FailureSingleFileConvertMsg" : "FailureConvertMsg");
  }
  return t;
}

QString CompletionNotificationText(const CompletionAlertTexts& texts) {
  return texts.title + u'\n' + texts.message;
}

}  // namespace glimbrik
