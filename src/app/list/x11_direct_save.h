#pragma once

#include <QByteArray>
#include <cstdint>

namespace glimbrik {

// The source's side of X direct save (XdndDirectSave0): the file name offered on the window that
// owns the drag, and the address the drop target writes back there at the drop. A file manager
// that takes it names the folder at the drop and leaves the writing to the source.
class X11DirectSave {
 public:
  // Whether the application runs on an X server.
  static bool Available();
  // Offers the name; only once the drag has begun, for its window is known from then on.
  bool Offer(const QByteArray& name);
  // The address the target gave, as it gave it; empty when none.
  QByteArray Target() const;

 private:
  uint32_t window_ = 0;
};

}  // namespace glimbrik
