#include "platform/codecs/codec_jpeg_common.h"

#include <jerror.h>

namespace glimbrik::codec {

namespace {

// Data that ends at the file's end, or at a marker, before the frame's pixels are all coded:
// libjpeg fills the rest with grey and only warns.
void NoteTruncation(j_common_ptr info, int level) {
  const int code = info->err->msg_code;
  if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) {
    reinterpret_cast<JpegErrorManager*>(info->err)->truncated = true;
  }
}

}  // namespace

void InstallJpegErrorManager(j_common_ptr info, JpegErrorManager* manager) {
  info->err = InstallLibjpegErrorTrap(&manager->trap, false);
  manager->truncated = false;
  manager->trap.manager.emit_message = NoteTruncation;
}

}  // namespace glimbrik::codec
