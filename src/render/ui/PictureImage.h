#pragma once
// Pictures between the codecs and Qt: conversion both ways, and Qt's image-format plug-ins
// registered as decoders.
#include "render/Picture.h"
#include "render/PictureDecoders.h"

#include <QImage>

namespace kelvane {

// A deep copy; a null image for an empty picture or an unknown channel count.
QImage ToQImage(const TPicture& picture);
// RGB, or RGBA when the image has an alpha channel.
TPicture FromQImage(const QImage& image);

// Registers every format Qt's image readers know by its extension, after the decoders already
// held (the project's own Targa, JPEG and PNG stay in charge of theirs). Returns how many were
// added.
int RegisterImageFormatPlugins(TPictureDecoders& decoders);

} // namespace kelvane
