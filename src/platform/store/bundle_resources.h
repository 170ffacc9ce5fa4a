#pragma once

#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>

#include "platform/store/plist.h"

namespace glimbrik {

// The property-list resource "name.plist" of the bundle (":/name.plist"); name may carry the
// ".plist" ending already. Fails when the resource is missing or damaged.
PlistResult ReadBundlePlist(const QString& name);

// The resource standing for a template image named as the document names it ("Add.pdf" is
// the icon ":/images/Add.svg"); empty when there is none.
QString TemplateImagePath(const QString& name);

// A template image drawn at size in the given colour (templates are shapes: only their
// alpha counts). A null image when the name is unknown or the size is empty.
QImage TemplateImage(const QString& name, const QSize& size, const QColor& color = Qt::black);

// The template image as an icon that scales to any size; a null icon when the name is unknown.
QIcon TemplateIcon(const QString& name);

// The application's own icon in its colours, at the sizes windows and task bars ask for; a null
// icon when the resource is missing.
QIcon ApplicationIcon();

}  // namespace glimbrik
