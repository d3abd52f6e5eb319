#pragma once

#include "BoundPicture.h"

class TWebImage;

// The picture hooks of the two pages (ImmagineGetGraphicClass), which choose the format in which
// a picture box reads stored bytes and stores a pasted bitmap.

// Page 3: the format of the picture the box shows when it is a known one, None when it is not
// (a GIF); left as it is when the box shows no picture.
void ImmagineGetGraphicClassPagina3(BoundPicture* sender, bool pastingFromClipboard,
                                    PictureFormat& graphicClass);

// Page 1, with the page's invisible picture decoder:
//  1. no picture shown and the field null: left as it is;
//  2. the record in editing state: as on page 3;
//  3. otherwise the box reads the stored bytes by their content and hands the decoder the bytes
//     and their picture once it shows them; the hook reports the known format of the bytes, in
//     which the box can read them again (None for a GIF).
BoundPicture::GraphicClassHook ImmagineGetGraphicClassPagina1(TWebImage* decoder);
