#pragma once

#include <unistd.h>

#include <cerrno>

namespace glimbrik {

// Owns one POSIX file descriptor and closes it on destruction.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now and returns 0 or errno, so that a failed close (the last chance to see a write
  // error) is reported.
  int close() { return ::close(release()) == 0 ? 0 : errno; }

 private:
  int fd_ = -1;
};

}  // namespace glimbrik
