#include "platform/codecs/libjpeg_error.h"

#include <cstring>

namespace glimbrik {
namespace {

void JumpingErrorExit(j_common_ptr cinfo) {
  auto* trap = reinterpret_cast<LibjpegErrorTrap*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, trap->message);
  if (trap->printMessage) std::fprintf(stderr, "%s\n", trap->message);
  std::longjmp(trap->jump, 1);
}

// Corrupt-data warnings would otherwise flood standard error during batch runs and fuzzing.
void QuietOutputMessage(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* InstallLibjpegErrorTrap(LibjpegErrorTrap* trap, bool printMessage) {
  std::memset(trap->message, 0, sizeof trap->message);
  trap->printMessage = printMessage;
  jpeg_error_mgr* manager = jpeg_std_error(&trap->manager);
  manager->error_exit = JumpingErrorExit;
  manager->output_message = QuietOutputMessage;
  return manager;
}

}  // namespace glimbrik
