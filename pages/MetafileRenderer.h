#pragma once

#include <QByteArray>
#include <QImage>

// Draws a Windows metafile (with or without its placeable header) into an image at 96 pixels per
// inch, through the system's metafile library when the program is built with it. A null image
// when the bytes are not a well-formed metafile, when the library cannot draw them, or when the
// library is not there; enhanced metafiles are never drawn.
QImage RenderWindowsMetafile(const QByteArray& bytes);

// The records of a Windows metafile lie within its bytes and end with the end record: checked
// before the library sees the bytes.
bool WindowsMetafileWellFormed(const QByteArray& bytes);

// True when the program was built with the metafile library.
bool CanRenderWindowsMetafile();
