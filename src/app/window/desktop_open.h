#pragma once

#include <QUrl>
#include <functional>

class QWidget;

namespace glimbrik {

using DesktopOpener = std::function<bool(const QUrl&)>;

// The desktop's own opener (xdg-open behind Qt): false where nothing took the address.
bool OpenWithDesktop(const QUrl& url);

// Hands a file, folder or web address to open; where nothing takes it (no opener installed, no
// program for the type), an alert says so and names it, so that the command never seems dead.
bool OpenOrSayWhy(const DesktopOpener& open, const QUrl& url, QWidget* window);

}  // namespace glimbrik
