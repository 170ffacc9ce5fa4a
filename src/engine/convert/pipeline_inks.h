#pragma once

// The CMYK canvas of processImage for a CMYK source drawn into its own CMYK space (with no
// profile chosen and the image's own colour model the canvas is the image's space). Qt has no CMYK
// image, so such a canvas is the source's inks themselves, never the RGB the decoders show them as:
// - the geometric road (placing, scaling, turning, mirroring, the background) moves and
//   resamples the inks themselves, so an image that is only re-encoded keeps every ink;
// - watermarks are drawn in RGBA on a layer of their own, separated with the canvas's space and
//   laid over the inks by their alpha, so only the inks they cover change;
// - sharpening, enhancement and the photo effect change colours anyway: they work on the inks
//   shown in RGB, which are separated again with the canvas's space (levels never touch CMYK).

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QTransform>
#include <memory>
#include <optional>

#include "platform/pixels/cmyk_inks.h"
#include "platform/pixels/color_space.h"

namespace glimbrik {

// The source's inks placed on a canvas of `bitmap` pixels as processImage places its pixels:
// `transform` is the painter's transform from y-up canvas coordinates to the bitmap when the
// image is drawn into `drawRect` (rows run downwards from its top). The inks are resampled to
// the drawn size (each ink on its own) and placed pixel for pixel; the rest of the canvas holds
// the background's inks in `space`, or no ink. Null (size empty) when memory runs out.
CmykInks DrawInks(CmykInks source, QSize bitmap, const QTransform& transform,
                  const QRectF& drawRect, const std::optional<QColor>& background,
                  const ColorSpace& space);

// Lays an RGBA layer of the canvas's size (watermarks, straight or premultiplied) over the inks:
// each pixel's inks move towards the layer's colour separated in `space`, by the layer's alpha.
void CompositeOverInks(CmykInks* canvas, const QImage& layer, const ColorSpace& space);

// The inks shown in RGB (for filters), and an RGB image separated back into inks.
QImage InksAsRgb(const CmykInks& inks, const ColorSpace& space);
CmykInks InksOfRgb(const QImage& image, const ColorSpace& space);

}  // namespace glimbrik
