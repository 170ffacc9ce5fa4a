#include "pdfjobs/pdf_jobs.h"

namespace glimbrik {

int ConvertPDFToImages(ImageConversion*) { return 0; }

int ExtractImagesFromPDF(ImageConversion*) { return 0; }

}  // namespace glimbrik
