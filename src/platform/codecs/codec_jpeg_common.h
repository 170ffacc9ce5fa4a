#pragma once

// The libjpeg error trap of the reader and the writer, which also notes a premature end of data:
// libjpeg only warns about it, but for us such a file is broken.

#include "platform/codecs/libjpeg_error.h"

namespace glimbrik::codec {

struct JpegErrorManager {
  LibjpegErrorTrap trap;  // first member: libjpeg's err pointer is the whole record
  bool truncated;
};

// Installs the manager on a zeroed compress or decompress struct.
void InstallJpegErrorManager(j_common_ptr info, JpegErrorManager* manager);

}  // namespace glimbrik::codec
