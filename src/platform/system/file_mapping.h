#pragma once

// A read-only map of a whole file that survives the file being truncated while it is read (a sync
// client rewriting it, a card pulled out). Touching a page past the new end raises SIGBUS, which
// would end the process and the batch with it; a handler instead puts zero pages there and marks
// the map, so that the one conversion reading it fails and the run goes on.

#include <QtGlobal>
#include <cstddef>
#include <memory>

namespace glimbrik {

class FileMapping {
 public:
  // Null when the file cannot be mapped or too many maps are open: read it instead.
  static std::unique_ptr<FileMapping> Map(int fd, size_t size);
  ~FileMapping();
  FileMapping(const FileMapping&) = delete;
  FileMapping& operator=(const FileMapping&) = delete;

  const uchar* data() const { return data_; }
  size_t size() const { return size_; }
  // True once a reader touched a page that had gone from the file: the bytes read since are not
  // the file's.
  bool changed() const;
  // Gives the pages back: they are read again from the file if touched.
  void release() const;

 private:
  FileMapping(const uchar* data, size_t size, int slot) : data_(data), size_(size), slot_(slot) {}
  const uchar* data_;
  size_t size_;
  int slot_;
};

// A decoder reading a map front to back gives back the pages before `position` in steps of
// 8 MiB, so that a large file never becomes resident as a whole; `released` keeps how far.
void ReleasePassedPages(const uchar* data, size_t position, size_t* released);

}  // namespace glimbrik
