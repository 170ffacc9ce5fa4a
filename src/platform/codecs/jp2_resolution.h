#pragma once

// Resolution in a JP2 file's header box: the "res " box with its capture ("resc") and default
// display ("resd") resolutions. OpenJPEG neither reads nor writes them.

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace glimbrik {

struct Jp2Resolution {
  double dpiX = 0.0;
  double dpiY = 0.0;
};

// The capture resolution, else the display resolution, in dots per inch; none for a bare
// codestream, a file that states neither, or a value that is zero or out of range.
std::optional<Jp2Resolution> ReadJp2Resolution(QByteArrayView file);

// Puts a "res " box with the capture resolution into the file's header box, replacing one that is
// there. False (and the file unchanged) for a bare codestream or a damaged box layout.
bool SetJp2CaptureResolution(QByteArray* file, double dpiX, double dpiY);

}  // namespace glimbrik
