#include "pdfjobs/image_extraction/pdf_image_extractor.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <QFile>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <set>

#include "engine/files/file_utils.h"
#include "pdfjobs/image_extraction/pdf_image_decode.h"
#include "pdfjobs/job_progress.h"
#include "pdfjobs/pdf_open.h"
#include "pdfjobs/pdf_page_list.h"
#include "pdfjobs/render/page_image_writer.h"
#include "platform/pixels/color_space.h"
#include "platform/store/localization.h"

namespace glimbrik {

namespace {

// Forms may contain themselves; deeper nesting than this is not followed.
constexpr int kMaxFormDepth = 16;

}  // namespace

struct PDFImageExtractor::State {
  QPDFObjectHandle colorSpaces;
};

PDFImageExtractor::PDFImageExtractor() : state_(std::make_unique<State>()) {}
PDFImageExtractor::~PDFImageExtractor() = default;

void PDFImageExtractor::setPageSelection(int32_t mode, int64_t first, int64_t last) {
  setPageRange(first, last, mode);
}

void PDFImageExtractor::saveXObjectImage(QPDFObjectHandle dict, QPDFObjectHandle stream) {
  PDFImageColour colour;
  const ImageResult<QImage> rebuilt =
      CreateImageFromXObject(dict, stream, state_->colorSpaces, SupportsAlpha(outputType), &colour);
  if (!rebuilt.ok()) failed = true;
  const QImage& image = rebuilt.value;
  if (image.isNull()) return;
  const QString url = UniqueFileURL(destinationURL, namePrefix + QString::number(imageCounter),
                                    outputExtension(), overwriteExisting, 0);
  // The types with writers of their own (PDF, SGI, WebP) take the pixels alone.
  const bool ownWriter = outputType == 8 || outputType == 12 || outputType == 24;
  const bool carried = !colour.cmyk.isEmpty() || !colour.profile.isEmpty();
  const bool saved =
      !url.isEmpty() && ((carried && !ownWriter &&
                          SaveImageWithInks(*this, image, url, colour.cmyk,
                                            ColorSpace::FromIccProfile(colour.profile))) ||
                         (outputType != 8 && saveImage(image, url)) || saveThroughTiff(image, url));
  if (!saved) failed = true;
  ++imageCounter;
}

namespace {

void ExtractXObjects(PDFImageExtractor& extractor, QPDFObjectHandle resources, int depth,
                     std::set<QPDFObjGen>& open);

void ExtractXObjectEntry(PDFImageExtractor& extractor, QPDFObjectHandle object, int depth,
                         std::set<QPDFObjGen>& open) {
  if (!object.isStream()) return;
  QPDFObjectHandle dict = object.getDict();
  QPDFObjectHandle subtype = dict.getKey("/Subtype");
  if (!subtype.isName()) return;
  if (subtype.getName() == "/Image") {
    extractor.saveXObjectImage(dict, object);
  } else if (subtype.getName() == "/Form" && depth < kMaxFormDepth) {
    const QPDFObjGen id = object.getObjGen();
    if (id.isIndirect() && !open.insert(id).second) return;
    ExtractXObjects(extractor, dict.getKey("/Resources"), depth + 1, open);
    open.erase(id);
  }
}

void ExtractXObjects(PDFImageExtractor& extractor, QPDFObjectHandle resources, int depth,
                     std::set<QPDFObjGen>& open) {
  if (!resources.isDictionary()) return;
  QPDFObjectHandle xobjects = resources.getKey("/XObject");
  if (!xobjects.isDictionary()) return;
  for (const std::string& key : xobjects.getKeys()) {
    ExtractXObjectEntry(extractor, xobjects.getKey(key), depth, open);
  }
}

}  // namespace

void PDFImageExtractor::scanPageResources(QPDFObjectHandle page) {
  QPDFPageObjectHelper helper(page);
  QPDFObjectHandle resources = helper.getAttribute("/Resources", false);
  state_->colorSpaces =
      resources.isDictionary() ? resources.getKey("/ColorSpace") : QPDFObjectHandle::newNull();
  std::set<QPDFObjGen> open;
  ExtractXObjects(*this, resources, 0, open);
}

bool PDFImageExtractor::extractPages() {
  try {
    const std::unique_ptr<QPDF> pdf = OpenPDFWithPassword(sourceURL, password);
    return extractPages(*pdf);
  } catch (...) {
    return false;
  }
}

bool PDFImageExtractor::extractPages(QPDF& pdf) {
  // A type outside the output-type table has no encoder and no extension of its own.
  if (outputType < 0 || outputType > 24) return false;
  try {
    std::vector<QPDFObjectHandle> pages = ListPDFPages(pdf);
    const int64_t pageCount = int64_t(pages.size());
    // All the pages of none is nothing to do; a numbered page of none is not there.
    if (pageCount == 0) return pageRangeMode != 1 && pageRangeMode != 2;
    const PageSpan span = ResolvePageRange(pageRangeMode, firstPage, &lastPage, pageCount);
    const QString baseName = outputBaseName.isEmpty() ? BaseNameOfPath(sourceURL) : outputBaseName;
    for (int64_t p = span.start; p <= span.end; ++p) {
      if (IsJobCancelled(progress)) break;
      ReportJobProgressAndWait(progress, p);
      namePrefix = QStringLiteral("%1_%2%3_").arg(baseName, LocalizedString("Page")).arg(p);
      imageCounter = 1;
      if (p < 1 || p > pageCount) continue;
      // A null object in the page tree is a damaged page, not one without images.
      if (!pages[size_t(p - 1)].isDictionary()) {
        failed = true;
        continue;
      }
      QPDFPageObjectHelper page(pages[size_t(p - 1)]);
      scanPageResources(page.getObjectHandle());
      // Inline images become XObjects of their own, named after the existing ones, and are
      // saved after them in the order they are drawn.
      QPDFObjectHandle resources = page.getAttribute("/Resources", false);
      std::set<std::string> before;
      if (resources.isDictionary() && resources.getKey("/XObject").isDictionary()) {
        before = resources.getKey("/XObject").getKeys();
      }
      page.externalizeInlineImages(0, true);
      resources = page.getAttribute("/Resources", false);
      if (resources.isDictionary() && resources.getKey("/XObject").isDictionary()) {
        QPDFObjectHandle xobjects = resources.getKey("/XObject");
        std::vector<std::pair<int, std::string>> added;
        for (const std::string& key : xobjects.getKeys()) {
          if (before.count(key)) continue;
          added.emplace_back(std::atoi(key.c_str() + std::min<size_t>(key.size(), 4)), key);
        }
        std::sort(added.begin(), added.end());
        for (const auto& [number, key] : added) {
          QPDFObjectHandle image = xobjects.getKey(key);
          if (image.isStream()) saveXObjectImage(image.getDict(), image);
        }
      }
      state_->colorSpaces = QPDFObjectHandle::newNull();
    }
  } catch (...) {
    return false;
  }
  return !failed;
}

}  // namespace glimbrik
