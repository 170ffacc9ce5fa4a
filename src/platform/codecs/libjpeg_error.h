#pragma once

// A libjpeg error manager whose fatal exit jumps back to the caller's setjmp instead of ending
// the process. The setjmp must live in a small function that makes only plain C calls and holds
// no C++ object; its caller owns the libjpeg struct and always destroys it.

#include <csetjmp>
#include <cstdio>

// clang-format off: jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace glimbrik {

struct LibjpegErrorTrap {
  jpeg_error_mgr manager;  // first member: libjpeg's err pointer is the whole record
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool printMessage;
};

// Fills the trap with libjpeg's standard manager and the jumping exit; returns the manager to
// store in the struct's err field. With printMessage the fatal message goes to standard error.
jpeg_error_mgr* InstallLibjpegErrorTrap(LibjpegErrorTrap* trap, bool printMessage);

}  // namespace glimbrik
