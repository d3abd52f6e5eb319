#pragma once

#include "BoundControl.h"

#include <QByteArray>
#include <QFrame>
#include <QImage>
#include <functional>

class QAction;
class QMenu;

// A picture box bound to a graphic or binary field: the stored picture at its natural size,
// centred and clipped, or the centred caption "(Immagine)" when there is none. Its right-click
// menu offers Cut, Copy, Paste, Delete, Load and Save As.
class BoundPicture : public QFrame, public BoundControl {
    Q_OBJECT

public:
    explicit BoundPicture(QWidget* parent = nullptr);

    // Turns the stored bytes into a picture; a null image for none. The default reads any format
    // the image library knows.
    using Decoder = std::function<QImage(const QByteArray&)>;
    void setDecoder(Decoder decoder);

    const QImage& picture() const { return m_picture; }
    QMenu* menu() const { return m_menu; }
    QAction* actCut() const { return m_cut; }
    QAction* actCopy() const { return m_copy; }
    QAction* actPaste() const { return m_paste; }
    QAction* actDelete() const { return m_delete; }
    QAction* actLoad() const { return m_load; }
    QAction* actSaveAs() const { return m_saveAs; }

    static const QString EmptyCaption; // "(Immagine)"

protected:
    void showValue(const QVariant& value) override;
    bool writeValue(Field*) override { return true; }
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    Decoder m_decoder;
    QImage m_picture;
    QMenu* m_menu;
    QAction* m_cut;
    QAction* m_copy;
    QAction* m_paste;
    QAction* m_delete;
    QAction* m_load;
    QAction* m_saveAs;
};
