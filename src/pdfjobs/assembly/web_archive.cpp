#include "pdfjobs/assembly/web_archive.h"

#include <QFile>
#include <QStringDecoder>
#include <QVariantMap>

#include "platform/store/plist.h"
#include "platform/store/plist_binary.h"

namespace glimbrik {

namespace {

WebArchive::Resource ResourceOf(const QVariantMap& entry) {
  return {QUrl(entry.value(QStringLiteral("WebResourceURL")).toString()),
          entry.value(QStringLiteral("WebResourceMIMEType")).toString(),
          entry.value(QStringLiteral("WebResourceData")).toByteArray()};
}

QString DecodedPage(const QByteArray& data, const QString& encodingName) {
  const QByteArray name = encodingName.isEmpty() ? QByteArray("UTF-8") : encodingName.toLatin1();
  QStringDecoder decoder(name.constData());
  if (!decoder.isValid()) decoder = QStringDecoder(QStringConverter::Utf8);
  const QString text = decoder.decode(data);
  return decoder.hasError() ? QString::fromLatin1(data) : text;
}

}  // namespace

std::optional<WebArchive> ReadWebArchive(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.readAll();
  const PlistResult plist =
      bytes.startsWith("bplist") ? ReadBinaryPlistData(bytes) : ReadPlistData(bytes);
  if (!plist.ok()) return std::nullopt;
  const QVariantMap root = plist.value.toMap();
  const QVariantMap main = root.value(QStringLiteral("WebMainResource")).toMap();
  if (!main.contains(QStringLiteral("WebResourceData"))) return std::nullopt;
  WebArchive archive;
  const WebArchive::Resource page = ResourceOf(main);
  archive.url = page.url;
  archive.html =
      DecodedPage(page.data, main.value(QStringLiteral("WebResourceTextEncodingName")).toString());
  for (const QVariant& entry : root.value(QStringLiteral("WebSubresources")).toList()) {
    WebArchive::Resource resource = ResourceOf(entry.toMap());
    if (resource.url.isValid() && !resource.data.isEmpty()) {
      archive.subresources.push_back(std::move(resource));
    }
  }
  return archive;
}

}  // namespace glimbrik
