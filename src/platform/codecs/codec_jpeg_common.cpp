#include "platform/codecs/codec_jpeg_common.h"

#include <jerror.h>

#include <cstdint>

namespace glimbrik::codec {

namespace {

void NoteDataEnd(j_common_ptr common, int level) {
  if (level >= 0 || !common->is_decompressor) return;
  auto* err = reinterpret_cast<JpegErrorManager*>(common->err);
  const auto* info = reinterpret_cast<j_decompress_ptr>(common);
  const int code = common->err->msg_code;
  if (code == JWRN_EXTRANEOUS_DATA) err->strayBytes = true;
  // With restart intervals libjpeg resumes after a restart marker or a stray one, which damage
  // left in the data; any other marker ends the scan, as does the file's end.
  const int marker = info->unread_marker;
  const bool resumes =
      info->restart_interval != 0 && (marker < 0xC0 || (marker >= JPEG_RST0 && marker <= 0xD7));
  if (err->dataEnded || !(code == JWRN_JPEG_EOF || (code == JWRN_HIT_MARKER && !resumes))) return;
  err->dataEnded = true;
  err->endedInScan = info->input_scan_number;
  err->endedAtRow = info->input_iMCU_row;
  // libjpeg's own test for buffering the whole file; the scan is still the first one here.
  err->endedMultiScan = info->progressive_mode || info->comps_in_scan < info->num_components;
}

}  // namespace

void InstallJpegErrorManager(j_common_ptr info, JpegErrorManager* manager) {
  info->err = InstallLibjpegErrorTrap(&manager->trap, false);
  manager->dataEnded = false;
  manager->endedInScan = 0;
  manager->endedAtRow = 0;
  manager->endedMultiScan = false;
  manager->strayBytes = false;
  manager->trap.manager.emit_message = NoteDataEnd;
}

// Cameras write files whose data stops a little short, which every viewer shows with the last
// rows grey: such a file is a picture. One whose data stopped before half of its rows (of a
// single-scan file), or within its first scan (of a progressive or multi-scan file, whose first
// scan is a small part of it), is damaged: what shows is mostly fill.
bool JpegEndedTooEarly(const jpeg_decompress_struct& info, const JpegErrorManager& err) {
  if (!err.dataEnded || err.endedInScan > 1) return false;
  if (err.endedInScan < 1) return true;
  const uint64_t rows = err.endedAtRow, total = info.total_iMCU_rows;
  return err.endedMultiScan ? rows < total : rows * 2 < total;
}

// Huffman coding spends at least one bit on every block a DC scan covers, and two (a DC code and
// an end of block) on every block of a sequential scan. So with fewer bits than half the first
// scan's blocks, less than half the rows of a sequential file, or less than half the first scan
// of a progressive one, can be in the file: it fails JpegEndedTooEarly whatever the rest holds.
// Arithmetic coding adapts to spend far less than a bit on a flat block, and a progressive scan
// of AC coefficients codes long runs of blocks at once: neither is bounded here.
bool JpegFrameExceedsData(const jpeg_decompress_struct& info, size_t bytes) {
  if (info.arith_code || info.Ss != 0) return false;
  uint64_t blocks = 0;
  for (int i = 0; i < info.comps_in_scan; ++i) {
    const jpeg_component_info* comp = info.cur_comp_info[i];
    blocks += uint64_t(comp->width_in_blocks) * comp->height_in_blocks;
  }
  return uint64_t(bytes) * 8 * 2 < blocks;
}

}  // namespace glimbrik::codec
