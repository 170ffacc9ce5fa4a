#include "platform/codecs/codec_jpeg_common.h"

#include <jerror.h>

namespace glimbrik::codec {

namespace {

void NoteTruncation(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
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
