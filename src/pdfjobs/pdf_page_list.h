#pragma once

// The pages of a PDF as qpdf reads them, where a null object in the page tree keeps its place as a
// page of its own: the damaged page fails alone and its sound neighbours keep their numbers.

#include <vector>

class QPDF;
class QPDFObjectHandle;

namespace glimbrik {

// One handle per page in reading order; a page that is no dictionary (a null written in place, a
// reference to a missing object) is listed as it is. Throws qpdf's or its own exception for a tree
// that cannot be walked (a loop, nesting deeper than any real file).
std::vector<QPDFObjectHandle> ListPDFPages(QPDF& pdf);

}  // namespace glimbrik
