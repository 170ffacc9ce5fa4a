#pragma once

#include <QString>

namespace glimbrik {

// Stands in for the main bundle's identifier: it names the preference files.
inline constexpr char kBundleIdentifier[] = "com.TarnwellTechnologies.Glimbrik";
inline constexpr char kApplicationName[] = "Glimbrik";

// Makes the compiled-in resources (":/...") available; safe to call often and from any thread.
void InitBundleResources();

// Path of a bundle resource by name and type, as ":/name.type"; empty when it does not exist.
QString BundleResourcePath(const QString& name, const QString& type = QString());

}  // namespace glimbrik
