#pragma once

// The libjpeg error manager shared by the reader and the writer: errors longjmp back into the
// small setjmp functions that make the library calls, and never end the process.

#include <csetjmp>
#include <cstddef>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace glimbrik::codec {

struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  bool truncated;
  char message[JMSG_LENGTH_MAX];
};

// Installs the manager on a zeroed compress or decompress struct.
void InstallJpegErrorManager(j_common_ptr info, JpegErrorManager* manager);

}  // namespace glimbrik::codec
