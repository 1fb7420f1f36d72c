#pragma once
// Converts between the windowless Picture of the core and Qt's QImage.
//
// toImage() wraps the picture's buffer without copying it (the image keeps the buffer
// alive); fromImage() copies into a new opaque picture, putting a picture with
// transparency onto white first, as a cover file cannot hold transparency.
//
// Thread rules: no state; callable from any thread.

#include <QImage>

#include "core/Picture.h"

namespace PictureImage {

// An RGB32 image over the picture's pixels; a null image for a null picture.
QImage toImage(const Picture& picture);

// The image as an opaque picture; a null picture for a null image or when memory runs out.
Picture fromImage(const QImage& image);

}  // namespace PictureImage
