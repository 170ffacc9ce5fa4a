#pragma once

// The libjpeg error trap of the reader and the writer, which also notes where a file's coded data
// ran out, and the judgements made from it: libjpeg only warns and fills the rest with grey.

#include <cstddef>

#include "platform/codecs/libjpeg_error.h"

namespace glimbrik::codec {

struct JpegErrorManager {
  LibjpegErrorTrap trap;  // first member: libjpeg's err pointer is the whole record
  // Set when the coded data ran out for good: at the file's end, or at a marker other than a
  // restart marker (a lost restart interval is resynchronised and decoding goes on).
  bool dataEnded;
  int endedInScan;        // 0: still in the headers
  JDIMENSION endedAtRow;  // the iMCU rows of that scan whole from data
  bool endedMultiScan;    // the first scan is one of several (progressive, or by component)
  bool strayBytes;        // bytes outside any segment were skipped: not a JPEG cut short
};

// Installs the manager on a zeroed compress or decompress struct.
void InstallJpegErrorManager(j_common_ptr info, JpegErrorManager* manager);

// Whether a decoded picture came from too little of the file to be passed on as a picture.
bool JpegEndedTooEarly(const jpeg_decompress_struct& info, const JpegErrorManager& err);

// Whether the `bytes` that follow the first scan's header cannot hold enough of the frame to make a
// picture; to be asked after jpeg_read_header, before anything the frame's size is allocated.
bool JpegFrameExceedsData(const jpeg_decompress_struct& info, size_t bytes);

}  // namespace glimbrik::codec
