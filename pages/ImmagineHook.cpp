#include "ImmagineHook.h"

#include "DataSource.h"
#include "Dataset.h"
#include "Field.h"
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
        // The box decodes the bytes by their content, off the user-interface thread, and hands
        // the picture to the decoder when it shows it; bytes shown already go to it at once.
        const PictureGraphic& shown = sender->graphic();
        if (!shown.isEmpty() && shown.bytes() == bytes) {
            TWebPicture* picture = guard->WebPicture();
            if (picture->bytes() != bytes || picture->isEmpty())
                picture->takeDecoded(bytes, shown.image());
        } else {
            sender->whenShown([guard](const PictureGraphic& g) {
                if (guard)
                    guard->WebPicture()->takeDecoded(g.bytes(), g.image());
            });
        }
        graphicClass = KnownFormat(DetectPictureFormat(bytes));
    };
}
