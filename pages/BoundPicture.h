#pragma once

#include "BoundControl.h"
#include "PictureGraphic.h"

#include <QByteArray>
#include <QFrame>
#include <QImage>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QMimeData;

// A picture box bound to a graphic or binary field: the stored picture at its natural size,
// centred and clipped, or the centred caption "(Immagine)" when there is none. Its right-click
// menu offers Cut, Copy, Paste, Delete, Load and Save As.
//
// The field holds the picture's file bytes exactly as its format writes them (an old 8-byte
// header is skipped when reading, never written). A page may install a hook that chooses the
// format in which stored bytes are read and in which a pasted bitmap is stored.
//
// Pictures are decoded off the user-interface thread, once per form opened, and only as far as
// the box shows them: while stored bytes are being decoded the box shows its caption; a loaded
// file replaces the shown picture when it has decoded. Closing the form or the box cancels a
// decoding that is still running.
class BoundPicture : public QFrame, public BoundControl {
    Q_OBJECT

public:
    explicit BoundPicture(QWidget* parent = nullptr);
    ~BoundPicture() override;

    // Asked for a picture format when stored bytes are loaded (pasting false, format None on
    // entry) and when the user pastes (pasting true, format Bitmap on entry). What it leaves in
    // the format is used; None means the default of the step.
    using GraphicClassHook =
        std::function<void(BoundPicture* sender, bool pastingFromClipboard, PictureFormat& graphicClass)>;
    void setGraphicClassHook(GraphicClassHook hook);

    // The picture shown (none when there is no picture); a metafile is a picture without image.
    const PictureGraphic& graphic() const { return m_graphic; }
    bool hasPicture() const { return !m_graphic.isEmpty(); }
    const QImage& picture() const { return m_graphic.image(); }
    // Replaces the shown picture without writing it into the field (a hook showing what it
    // decoded).
    void setShownGraphic(const PictureGraphic& graphic);
    // Called once with the picture when the stored bytes being loaded have been decoded and
    // shown (a hook handing them on); dropped when they do not decode or are replaced first.
    void whenShown(std::function<void(const PictureGraphic&)> handler);

    // A decoding of stored bytes or of a loaded file is running.
    bool decoding() const { return m_job != nullptr; }

    QMenu* menu() const { return m_menu; }
    QAction* actCut() const { return m_cut; }
    QAction* actCopy() const { return m_copy; }
    QAction* actPaste() const { return m_paste; }
    QAction* actDelete() const { return m_delete; }
    QAction* actLoad() const { return m_load; }
    QAction* actSaveAs() const { return m_saveAs; }
    // Sets the enabled state of the menu items, as before the menu opens.
    void updateActions();

    // The menu operations.
    void CutToClipboard();
    void CopyToClipboard();
    void PasteFromClipboard();
    void DeletePicture();
    void LoadPicture();
    void SavePictureAs();

    // The clipboard holds something the box can paste: an image or a metafile.
    static bool CanPaste(const QMimeData* mime);
    // Clipboard type of metafiles, which have no image to offer.
    static const QString WmfMimeType; // "image/x-wmf"
    static const QString EmfMimeType; // "image/x-emf"

    static const QString EmptyCaption; // "(Immagine)"

signals:
    // A decoding has ended, with the picture shown or not.
    void decodingFinished();

protected:
    void showValue(const QVariant& value) override;
    bool writeValue(Field* field) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Cut, copy, delete and save as follow the picture shown.
    void updatePictureActions();
    // Puts the record into editing; false when no form is open.
    bool beginChange();
    // Shows a picture the user made and writes it into the field.
    void changePicture(const PictureGraphic& graphic);
    static void showError(const QString& text);

    struct DecodeJob;
    enum class Purpose { Show, Load };
    // Decodes the bytes on a worker thread and calls `done` on this thread unless cancelled first.
    void startDecoding(Purpose purpose, const QByteArray& bytes, PictureFormat format,
                       std::function<void(const PictureGraphic& shown, const QString& error)> done);
    void cancelDecoding();

    GraphicClassHook m_hook;
    PictureGraphic m_graphic;
    bool m_wrote = false;
    std::shared_ptr<DecodeJob> m_job;
    // Stored bytes that did not decode since the form was opened: not tried again until it is
    // opened anew.
    QByteArray m_failedBytes;
    std::function<void(const PictureGraphic&)> m_whenShown;
    QMenu* m_menu;
    QAction* m_cut;
    QAction* m_copy;
    QAction* m_paste;
    QAction* m_delete;
    QAction* m_load;
    QAction* m_saveAs;
};
