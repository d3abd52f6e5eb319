#include "ImmagineHook.h"

#include "DataSource.h"
#include "Dataset.h"
#include "Field.h"
#include "VarnoError.h"
#include "WebImage.h"

#include <QPointer>

void ImmagineGetGraphicClassPagina3(BoundPicture* sender, bool, PictureFormat& graphicClass) {
    if (sender->hasPicture())
        graphicClass = KnownFormat(sender->graphic().format());
}

BoundPicture::GraphicClassHook ImmagineGetGraphicClassPagina1(TWebImage* decoder) {
    QPointer<TWebImage> guard(decoder);
    return [guard](BoundPicture* sender, bool pasting, PictureFormat& graphicClass) {
        Field* field = sender->field();
        const bool fieldNull = !field || field->isNull();
        if (!sender->hasPicture() && fieldNull)
            return;
        const Dataset* dataset = field ? field->dataset() : nullptr;
        if ((dataset && dataset->editing()) || fieldNull || !guard) {
            ImmagineGetGraphicClassPagina3(sender, pasting, graphicClass);
            return;
        }
        const QByteArray bytes = SkipLegacyHeader(field->asBytes());
        TWebPicture* picture = guard->WebPicture();
        // The record is shown anew more than once when a form opens; bytes the decoder and the
        // box already hold need no second decoding.
        const bool done =
            !picture->isEmpty() && picture->bytes() == bytes && sender->graphic().bytes() == bytes;
        if (!done) {
            try {
                picture->loadFromBytes(bytes);
                sender->setShownGraphic(PictureGraphic(DetectPictureFormat(bytes), bytes, picture->image()));
            } catch (const VarnoError&) {
                // Bytes the decoder cannot show (a metafile, damaged bytes): the box reads them itself.
            }
        }
        graphicClass = KnownFormat(DetectPictureFormat(bytes));
    };
}
