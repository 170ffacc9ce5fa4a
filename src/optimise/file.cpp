#include "optimise/file.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "optimise/replace_file.h"
#include "optimise/work_queue.h"
#include "platform/store/localization.h"
#include "platform/store/user_defaults.h"

namespace glimbrik {

namespace {

constexpr quint64 kSmallestByteSize = 11;
constexpr quint64 kSmallestOptimizedSize = 31;
constexpr quint64 kSmallestPreservedSize = 35;

}  // namespace

File::File() = default;

File::File(const QString& filePath) {
  setFilePath(filePath);
  setByteSizeOptimized(fileByteSize(filePath));
}

File::~File() { removeOldFilePathOptimized(); }

quint64 File::fileByteSize(const QString& path) {
  const QFileInfo info(path);
  return info.exists() ? static_cast<quint64>(std::max<qint64>(0, info.size())) : 0;
}

int File::fileType(const QByteArray& data) {
  // Each signature is compared only when the data is long enough to hold it.
  if (data.size() >= 6 && data.startsWith(QByteArrayLiteral("\x89PNG\r\n"))) return 1;
  if (data.size() >= 3 && data.startsWith(QByteArrayLiteral("\xFF\xD8\xFF"))) return 2;
  if (data.size() >= 4 && data.startsWith(QByteArrayLiteral("GIF8"))) return 3;
  return 0;
}

QString File::filePath() const {
  std::lock_guard lock(lock_);
  return filePath_;
}

void File::setFilePath(const QString& path) {
  std::lock_guard lock(lock_);
  filePath_ = path;
  displayName_ = path.isEmpty() ? QString() : QFileInfo(path).fileName();
}

QString File::displayName() const {
  std::lock_guard lock(lock_);
  return displayName_;
}

QString File::fileName() const {
  std::lock_guard lock(lock_);
  return displayName_.isEmpty() ? filePath_ : displayName_;
}

quint64 File::byteSize() const {
  std::lock_guard lock(lock_);
  return byteSize_;
}

void File::setByteSize(quint64 size) {
  std::lock_guard lock(lock_);
  if (byteSize_ != 0 || size < kSmallestByteSize) return;
  byteSize_ = size;
  if (byteSizeOptimized_ == 0 || byteSizeOptimized_ > size) setByteSizeOptimized(size);
}

quint64 File::byteSizeOptimized() const {
  std::lock_guard lock(lock_);
  return byteSizeOptimized_;
}

void File::setByteSizeOptimized(quint64 size) {
  std::lock_guard lock(lock_);
  if (size < kSmallestOptimizedSize) return;
  if (byteSizeOptimized_ != 0 && byteSizeOptimized_ <= size) return;
  byteSizeOptimized_ = size;
}

QString File::filePathOptimized() const {
  std::lock_guard lock(lock_);
  return filePathOptimized_;
}

bool File::setFilePathOptimized(const QString& path, quint64 size, const QString& toolName) {
  std::lock_guard lock(lock_);
  // Below the smallest acceptable size the result is refused whole, not half taken.
  if (size >= byteSizeOptimized_ || size < kSmallestOptimizedSize) return false;
  removeOldFilePathOptimized();
  filePathOptimized_ = path;
  setByteSizeOptimized(size);
  bestToolName_ = toolName;
  return true;
}

void File::removeOldFilePathOptimized() {
  std::lock_guard lock(lock_);
  if (!filePathOptimized_.isEmpty()) QFile::remove(filePathOptimized_);
  filePathOptimized_.clear();
}

QString File::bestToolName() const {
  std::lock_guard lock(lock_);
  return bestToolName_;
}

bool File::replaceWithSmallerResult(const QString& result, quint64 minimumSize,
                                    const QString& toolName) {
  std::lock_guard lock(lock_);
  const quint64 resultSize = fileByteSize(result);
  if (filePath_.isEmpty() || resultSize == 0 || resultSize < minimumSize) return false;
  // Keep whichever file is smaller.
  if (resultSize >= fileByteSize(filePath_)) return false;
  const bool preservePermissions = UserDefaultBool(QStringLiteral("PreservePermissions"));
  if (!ReplaceFileSafely(result, filePath_, preservePermissions ? filePath_ : QString())) {
    return false;
  }
  if (resultSize >= kSmallestOptimizedSize &&
      (byteSizeOptimized_ == 0 || resultSize < byteSizeOptimized_)) {
    setByteSizeOptimized(resultSize);
    bestToolName_ = toolName;
  }
  return true;
}

bool File::isLarge() const { return byteSize() > 1048576; }
bool File::isSmall() const { return byteSize() < 2048; }
bool File::isCameraPhoto() const { return static_cast<double>(byteSize()) > 1363148.8; }

double File::percentOptimized() const {
  std::lock_guard lock(lock_);
  // A job that never measured its file has nothing to compare with.
  if (byteSizeOptimized_ == 0 || byteSize_ == 0) return 0;
  const double percent = 100.0 - static_cast<double>(byteSizeOptimized_) * 100.0 / byteSize_;
  return std::max(0.0, percent);
}

bool File::isOptimized() const {
  std::lock_guard lock(lock_);
  return byteSizeOptimized_ < byteSize_;
}

bool File::isDone() const {
  std::lock_guard lock(lock_);
  return done_;
}

bool File::isBusy() const {
  std::lock_guard lock(lock_);
  return workersActive_ != 0 || workersFinished_ != workersTotal_;
}

QString File::description() const {
  std::lock_guard lock(lock_);
  return QStringLiteral("%1 %2/%3 (workers active %4, finished %5, total %6)")
      .arg(filePath_)
      .arg(byteSize_)
      .arg(byteSizeOptimized_)
      .arg(workersActive_)
      .arg(workersFinished_)
      .arg(workersTotal_);
}

void File::setStatus(const QString& key, qint64 order, const QString& text) {
  std::lock_guard lock(lock_);
  if (text == statusText_) return;
  statusOrder_ = order;
  statusText_ = text;
  statusImageName_ = key;
}

QString File::statusImageName() const {
  std::lock_guard lock(lock_);
  return statusImageName_;
}

qint64 File::statusOrder() const {
  std::lock_guard lock(lock_);
  return statusOrder_;
}

QString File::statusText() const {
  std::lock_guard lock(lock_);
  return statusText_;
}

bool File::saveResult() {
  std::lock_guard lock(lock_);
  if (filePathOptimized_.isEmpty() || filePath_.isEmpty()) return false;
  const bool preservePermissions = UserDefaultBool(QStringLiteral("PreservePermissions"));
  const bool backupFiles = UserDefaultBool(QStringLiteral("BackupFiles"));

  // The result must still be what was measured, and never implausibly small.
  const quint64 resultSize = fileByteSize(filePathOptimized_);
  if (resultSize != byteSizeOptimized_ || resultSize < kSmallestOptimizedSize) return false;
  if (preservePermissions && resultSize < kSmallestPreservedSize) return false;

  if (backupFiles && !ReplaceFileSafely(filePath_, filePath_ + QLatin1Char('~'), filePath_)) {
    return false;
  }
  if (!ReplaceFileSafely(filePathOptimized_, filePath_,
                         preservePermissions ? filePath_ : QString())) {
    return false;
  }
  removeOldFilePathOptimized();
  return true;
}

void File::saveResultAndUpdateStatus() {
  std::lock_guard lock(lock_);
  if (saveResult()) {
    done_ = true;
    setStatus(QStringLiteral("ok"), 7,
              LocalizedString("Optimized successfully with %@").arg(bestToolName_));
  } else {
    setStatus(QStringLiteral("err"), 9, LocalizedString("Optimized file could not be saved"));
  }
}

void File::cleanup() {
  std::lock_guard lock(lock_);
  for (const std::weak_ptr<Operation>& weak : workers_) {
    if (const std::shared_ptr<Operation> worker = weak.lock()) worker->cancel();
  }
  workers_.clear();
  removeOldFilePathOptimized();
  setFilePath(QString());
}

std::shared_ptr<File> File::copy() const {
  auto copied = std::make_shared<File>();
  copied->setByteSize(byteSize());
  copied->setByteSizeOptimized(byteSizeOptimized());
  copied->setFilePath(filePath());
  return copied;
}

void File::addWorker(const std::shared_ptr<Operation>& worker) {
  std::lock_guard lock(lock_);
  workers_.push_back(worker);
}

}  // namespace glimbrik
