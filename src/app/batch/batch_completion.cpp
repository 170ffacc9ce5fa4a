#include "app/batch/batch_completion.h"

#include <QFileInfo>
#include <QStringList>

#include "app/batch/batch_host.h"
#include "app/batch/raw_file_names.h"
#include "platform/store/localization.h"

namespace glimbrik {

namespace {

// "name: reason" lines, the first few of them, and how many more there are.
QString FailureLines(const std::vector<BatchFailure>& failures) {
  constexpr size_t kShown = 8;
  QStringList lines;
  for (size_t i = 0; i < failures.size() && i < kShown; ++i) {
    lines << MadeValidPath(QFileInfo(failures[i].path).fileName()) + QStringLiteral(": ") +
                 failures[i].reason;
  }
  if (failures.size() > kShown) {
    lines << LocalizedString("FailedFilesMoreMsg").arg(qulonglong(failures.size() - kShown));
  }
  return lines.join(u'\n');
}

}  // namespace

CompletionAlertTexts CompletionAlertTextsFor(long finalStatus, int64_t fileCount,
                                             const std::vector<BatchFailure>& failures) {
  CompletionAlertTexts t;
  const auto n = static_cast<qlonglong>(fileCount);
  if ((finalStatus & kStatusWritten) != 0) {
    t.offerOpenDestination = true;
    if ((finalStatus & kStatusFailed) != 0) {
      t.title = LocalizedString("ConvertMsgTitle").arg(n).arg(QStringLiteral("s"));
      t.message = failures.empty()
                      ? LocalizedString("FailureConvertMsg")
                      : LocalizedString("FailedFilesMsg") + u'\n' + FailureLines(failures);
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
        failures.empty()
            ? LocalizedString(fileCount == 1 ? "FailureSingleFileConvertMsg" : "FailureConvertMsg")
            : LocalizedString("FailedFilesMsg") + u'\n' + FailureLines(failures);
  }
  return t;
}

QString CompletionNotificationText(const CompletionAlertTexts& texts) {
  return texts.title + u'\n' + texts.message;
}

}  // namespace glimbrik
