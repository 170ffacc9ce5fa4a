#pragma once

// Web archives: a page's HTML with the images and style sheets it uses, kept in one property
// list (binary, or XML in older files).

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

namespace glimbrik {

struct WebArchive {
  struct Resource {
    QUrl url;
    QString mimeType;
    QByteArray data;
  };
  QString html;  // the main resource, decoded by its own text encoding
  QUrl url;      // where the page came from: relative references resolve against it
  std::vector<Resource> subresources;
};

// None when the file is not a web archive or its main resource is missing.
std::optional<WebArchive> ReadWebArchive(const QString& path);

}  // namespace glimbrik
