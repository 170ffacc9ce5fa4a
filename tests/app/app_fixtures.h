#pragma once

#include <QString>
#include <memory>

namespace glimbrik {
class AppDelegate;
}

namespace glimbrik::test {

// A JPEG of the given size whose only resolution and orientation come from an EXIF block
// (no JFIF density); orientation 0 and dpi 0 leave the tags out.
void WriteJpeg(const QString& path, int width, int height, int orientation = 0, double dpi = 0.0);
// A PNG without a stated resolution.
void WritePng(const QString& path, int width, int height);
// A file of count bytes that is no image.
void WriteGarbage(const QString& path, int count);

// A started application controller with fresh general options; its window is shown.
std::unique_ptr<AppDelegate> StartApplication();
// Removes the general options file so that the next start is a first start.
void ForgetGeneralOptions();
// Waits (bounded) until every adding run has finished; false on time-out.
bool WaitForAdding(AppDelegate& delegate, int timeoutMs = 20000);
// Waits (bounded) until every entry of the list has its facts.
bool WaitForFacts(AppDelegate& delegate, int timeoutMs = 20000);
// The titles of the list in display order.
QStringList ListTitles(const AppDelegate& delegate);
// Every sidebar group but Conversion off.
void ConversionOnly(AppDelegate& delegate);
// Conversion only, to the output type of the given tag, written into folder without a question.
bool ConvertOnlyInto(AppDelegate& delegate, const QString& folder, int outputTypeTag);

}  // namespace glimbrik::test
