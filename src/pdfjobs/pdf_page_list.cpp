#include "pdfjobs/pdf_page_list.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <exception>
#include <qpdf/QPDF.hh>
#include <set>
#include <stdexcept>

namespace glimbrik {

namespace {

// Real page trees are a few levels deep; this only bounds the recursion.
constexpr int kMaxTreeDepth = 256;

void AddPages(QPDFObjectHandle node, int depth, std::set<QPDFObjGen>& visited,
              std::vector<QPDFObjectHandle>& pages) {
  if (depth > kMaxTreeDepth) throw std::runtime_error("page tree too deep");
  QPDFObjectHandle kids = node.getKey("/Kids");
  if (!kids.isArray()) return;
  for (QPDFObjectHandle kid : kids.getArrayAsVector()) {
    // An inner node is told by its /Kids, as qpdf tells it; a node met twice is a loop.
    if (kid.isDictionary() && kid.hasKey("/Kids")) {
      const QPDFObjGen id = kid.getObjGen();
      if (id.isIndirect() && !visited.insert(id).second) {
        throw std::runtime_error("loop in the page tree");
      }
      AddPages(kid, depth + 1, visited, pages);
    } else {
      pages.push_back(kid);
    }
  }
}

}  // namespace

std::vector<QPDFObjectHandle> ListPDFPages(QPDF& pdf) {
  std::exception_ptr refused;
  try {
    // qpdf's own list also repairs pages listed twice or written in place.
    return pdf.getAllPages();
  } catch (const std::exception&) {
    // It refuses the whole tree when a kid is a null written in place; the other pages stand.
    refused = std::current_exception();
  }
  QPDFObjectHandle root = pdf.getRoot().getKey("/Pages");
  if (!root.isDictionary() || !root.getKey("/Kids").isArray()) std::rethrow_exception(refused);
  std::vector<QPDFObjectHandle> pages;
  std::set<QPDFObjGen> visited;
  if (root.getObjGen().isIndirect()) visited.insert(root.getObjGen());
  AddPages(root, 0, visited, pages);
  return pages;
}

}  // namespace glimbrik
