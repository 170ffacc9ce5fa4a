#pragma once

#include <QString>
#include <string>

namespace glimbrik::test {

// Writes a PDF of pageCount pages of width x height points; each page draws a red square of 72
// points at its bottom-left corner. rotate gives every page that /Rotate; a password encrypts
// the file (user password = owner password).
void WritePagesPDF(const QString& path, int pageCount, double width = 612, double height = 792,
                   int rotate = 0, const std::string& password = std::string());

}  // namespace glimbrik::test
