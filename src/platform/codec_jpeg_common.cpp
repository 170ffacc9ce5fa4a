#include "platform/codec_jpeg_common.h"

#include <jerror.h>

#include <cstring>

namespace glimbrik::codec {

namespace {

void JpegErrorExit(j_common_ptr info) {
  auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->jump, 1);
}

void JpegEmitMessage(j_common_ptr info, int level) {
  // A premature end of data is only a warning to libjpeg; for us the file is broken.
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
    reinterpret_cast<JpegErrorManager*>(info->err)->truncated = true;
  }
}

}  // namespace

void InstallJpegErrorManager(j_common_ptr info, JpegErrorManager* manager) {
  std::memset(manager, 0, sizeof(*manager));
  info->err = jpeg_std_error(&manager->pub);
  manager->pub.error_exit = JpegErrorExit;
  manager->pub.emit_message = JpegEmitMessage;
}

}  // namespace glimbrik::codec
