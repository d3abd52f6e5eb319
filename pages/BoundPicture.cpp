#include "BoundPicture.h"

#include "DataSource.h"
#include "Field.h"
#include "PictureDecoding.h"
#include "Prompter.h"
#include "SafeFile.h"
#include "Servizi.h"
#include "VarnoError.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPen>
#include <QThreadPool>
#include <atomic>
#include <utility>

const QString BoundPicture::EmptyCaption = QStringLiteral("(Immagine)");
const QString BoundPicture::WmfMimeType = QStringLiteral("image/x-wmf");
const QString BoundPicture::EmfMimeType = QStringLiteral("image/x-emf");

BoundPicture::BoundPicture(QWidget* parent) : QFrame(parent), BoundControl(this) {
    // A stop in the tab order: the clipboard keys act on the box that has the focus.
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);

    m_menu = new QMenu(this);
    m_cut = m_menu->addAction(QStringLiteral("Cu&t"), this, &BoundPicture::CutToClipboard);
    m_copy = m_menu->addAction(QStringLiteral("&Copy"), this, &BoundPicture::CopyToClipboard);
    m_paste = m_menu->addAction(QStringLiteral("&Paste"), this, &BoundPicture::PasteFromClipboard);
    m_delete = m_menu->addAction(QStringLiteral("&Delete"), this, &BoundPicture::DeletePicture);
    m_menu->addSeparator();
    m_load = m_menu->addAction(QStringLiteral("&Load..."), this, &BoundPicture::LoadPicture);
    m_saveAs = m_menu->addAction(QStringLiteral("Save &As..."), this, &BoundPicture::SavePictureAs);
    // The keys work while the box has the focus; the menu only shows them.
    m_cut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    m_copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    m_paste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    for (QAction* a : {m_cut, m_copy, m_paste})
        a->setShortcutContext(Qt::WidgetShortcut);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &BoundPicture::updateActions);
    updateActions();
}

struct BoundPicture::DecodeJob {
    Purpose purpose = Purpose::Show;
    QByteArray bytes;
    PictureRequest request;
    std::atomic<bool> cancelled{false};
    // Runs on the user-interface thread, and only while the job is not cancelled.
    std::function<void(const PictureGraphic&, const QString&)> done;
};

namespace {

// The pictures' own threads: the application's shared pool also draws for the user-interface
// thread (large fills are split among its threads), which must never wait behind a decoding.
QThreadPool* decodingThreads() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool(QCoreApplication::instance());
        p->setObjectName(QStringLiteral("PictureDecoding"));
        p->setMaxThreadCount(2);
        return p;
    }();
    return pool;
}

} // namespace

BoundPicture::~BoundPicture() {
    cancelDecoding();
}

void BoundPicture::startDecoding(Purpose purpose, const QByteArray& bytes, PictureFormat format,
                                 std::function<void(const PictureGraphic&, const QString&)> done) {
    cancelDecoding();
    auto job = std::make_shared<DecodeJob>();
    job->purpose = purpose;
    job->bytes = bytes;
    job->request.format = format;
    // A picture larger than the box is decoded only as far as the box shows it, with a pixel to
    // spare on each side for the rounding of the centred place.
    job->request.shownPart = contentsRect().size() + QSize(2, 2);
    job->request.cancel = &job->cancelled;
    job->done = std::move(done);
    m_job = job;
    decodingThreads()->start([job] {
        if (job->cancelled)
            return;
        const DecodedPicture decoded = DecodePicture(job->bytes, job->request);
        QCoreApplication* app = QCoreApplication::instance();
        if (job->cancelled || !app)
            return;
        // Handed to the user-interface thread; the box may be gone by then, which cancelled the job.
        QMetaObject::invokeMethod(
            app,
            [job, decoded] {
                if (job->cancelled)
                    return;
                job->done(PictureGraphic(job->bytes, decoded), decoded.error);
            },
            Qt::QueuedConnection);
    });
}

void BoundPicture::cancelDecoding() {
    if (!m_job)
        return;
    m_job->cancelled = true;
    m_job.reset();
    emit decodingFinished();
}

void BoundPicture::whenShown(std::function<void(const PictureGraphic&)> handler) {
    m_whenShown = std::move(handler);
}

void BoundPicture::setGraphicClassHook(GraphicClassHook hook) {
    m_hook = std::move(hook);
    showValue(fieldValue());
}

void BoundPicture::setShownGraphic(const PictureGraphic& graphic) {
    m_graphic = graphic;
    // Paste follows the clipboard (its change signal and the menu), not the picture: asking the
    // clipboard here would cost a round trip to the window system on every record shown.
    updatePictureActions();
    update();
}

void BoundPicture::showValue(const QVariant& value) {
    const bool wrote = std::exchange(m_wrote, false);
    QByteArray bytes;
    if (value.isValid() && value.typeId() == QMetaType::QByteArray)
        bytes = SkipLegacyHeader(value.toByteArray());
    if (!field())
        m_failedBytes.clear(); // no form open: the next one is decoded afresh
    if (bytes.isEmpty()) {
        cancelDecoding();
        setShownGraphic(PictureGraphic());
        return;
    }
    // What the box itself has just written is what it shows already.
    if (wrote && bytes == m_graphic.bytes()) {
        update();
        return;
    }
    // The record is shown more than once when a form opens: bytes being decoded, or found not to
    // decode since the form was opened, are not decoded again.
    if ((m_job && m_job->purpose == Purpose::Show && m_job->bytes == bytes) ||
        (m_graphic.isEmpty() && !m_job && bytes == m_failedBytes))
        return;
    m_whenShown = nullptr;
    PictureFormat format = PictureFormat::None;
    if (m_hook)
        m_hook(this, false, format);
    auto handOn = std::exchange(m_whenShown, nullptr);
    // The same bytes already shown in that format need no second decoding.
    if (!m_graphic.isEmpty() && m_graphic.bytes() == bytes &&
        (format == PictureFormat::None || format == m_graphic.format())) {
        cancelDecoding();
        update();
        return;
    }
    // Read by their content, whatever the hook's format: every stored picture shows again,
    // whatever format it was loaded in. Bytes that no reader takes show no picture and stay in
    // the field as they are; until the decoding ends the box shows its caption.
    setShownGraphic(PictureGraphic());
    startDecoding(Purpose::Show, bytes, PictureFormat::None,
                  [this, bytes, handOn](const PictureGraphic& shown, const QString& error) {
                      m_job.reset();
                      if (error.isEmpty()) {
                          setShownGraphic(shown);
                          if (handOn)
                              handOn(shown);
                      } else {
                          m_failedBytes = bytes;
                          setShownGraphic(PictureGraphic());
                      }
                      emit decodingFinished();
                  });
}

bool BoundPicture::writeValue(Field* field) {
    field->setValue(m_graphic.isEmpty() ? QVariant() : QVariant(m_graphic.bytes()));
    m_wrote = true;
    return true;
}

bool BoundPicture::beginChange() {
    return dataSource() && field() && dataSource()->edit();
}

void BoundPicture::changePicture(const PictureGraphic& graphic) {
    setShownGraphic(graphic);
    if (markModified())
        updateRecord();
}

void BoundPicture::showError(const QString& text) {
    Messaggio(text, QStringLiteral("Varno"), MB::Ok | MB::IconStop);
}

bool BoundPicture::CanPaste(const QMimeData* mime) {
    return mime && (mime->hasImage() || mime->hasFormat(WmfMimeType) || mime->hasFormat(EmfMimeType));
}

void BoundPicture::updateActions() {
    updatePictureActions();
    m_paste->setEnabled(CanPaste(QGuiApplication::clipboard()->mimeData()));
}

void BoundPicture::updatePictureActions() {
    const bool shown = hasPicture();
    m_cut->setEnabled(shown);
    m_copy->setEnabled(shown);
    m_delete->setEnabled(shown);
    m_load->setEnabled(true);
    m_saveAs->setEnabled(shown);
}

void BoundPicture::CopyToClipboard() {
    if (!hasPicture())
        return;
    auto* mime = new QMimeData;
    if (!m_graphic.image().isNull()) {
        // A large picture holds only what the box shows; the clipboard gets all of it.
        const bool part = m_graphic.part() != QRect(QPoint(), m_graphic.naturalSize());
        if (part)
            CursoreAttesa();
        mime->setImageData(m_graphic.fullImage());
        if (part)
            RipristinaCursore();
    }
    if (m_graphic.format() == PictureFormat::Metafile)
        mime->setData(IsEnhancedMetafile(m_graphic.bytes()) ? EmfMimeType : WmfMimeType, m_graphic.bytes());
    QGuiApplication::clipboard()->setMimeData(mime);
}

void BoundPicture::CutToClipboard() {
    if (!hasPicture() || !beginChange())
        return;
    CopyToClipboard();
    changePicture(PictureGraphic());
}

void BoundPicture::DeletePicture() {
    if (!hasPicture() || !beginChange())
        return;
    changePicture(PictureGraphic());
}

void BoundPicture::PasteFromClipboard() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!CanPaste(mime) || !beginChange())
        return;
    if (mime->hasImage()) {
        const QImage image = qvariant_cast<QImage>(mime->imageData());
        if (image.isNull())
            return;
        // A bitmap goes in as a JPEG picture where the hook asks for JPEG (the box shows a
        // photograph), else as a bitmap.
        PictureFormat format = PictureFormat::Bitmap;
        if (m_hook)
            m_hook(this, true, format);
        try {
            changePicture(PictureGraphic::fromImage(
                image, format == PictureFormat::Jpeg ? PictureFormat::Jpeg : PictureFormat::Bitmap));
        } catch (const VarnoError& e) {
            showError(e.message());
        }
        return;
    }
    const QByteArray bytes = mime->data(mime->hasFormat(EmfMimeType) ? EmfMimeType : WmfMimeType);
    try {
        changePicture(PictureGraphic::decode(PictureFormat::Metafile, bytes));
    } catch (const VarnoError& e) {
        showError(e.message());
    }
}

void BoundPicture::LoadPicture() {
    if (!beginChange())
        return;
    int filterIndex = 0;
    const QString path =
        CurrentPrompter()->openFileName(this, QStringLiteral("Open"), PictureFileFilter(), &filterIndex);
    if (path.isEmpty())
        return;
    const QString extension = QFileInfo(path).suffix();
    const PictureFormat format = FormatForExtension(extension);
    if (format == PictureFormat::None) {
        showError(UnknownExtensionMessage(extension));
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
        return;
    }
    // Decoded off the user-interface thread; a file that is not a whole picture of its
    // extension's format leaves the previous picture in place.
    startDecoding(Purpose::Load, file.readAll(), format,
                  [this](const PictureGraphic& loaded, const QString& error) {
                      m_job.reset();
                      if (!error.isEmpty())
                          showError(error);
                      else if (beginChange())
                          changePicture(loaded);
                      emit decodingFinished();
                  });
}

void BoundPicture::SavePictureAs() {
    if (!hasPicture())
        return;
    int filterIndex = 0;
    const QString path = CurrentPrompter()->saveFileName(
        this, QStringLiteral("Save As"), PictureFileFilter(),
        DefaultExtension(m_graphic.format(), m_graphic.bytes()), &filterIndex);
    if (path.isEmpty())
        return;
    // A file that cannot be written whole (a full disk) leaves the one it would replace as it was.
    QString reason;
    if (!SafeFile::replace(path, m_graphic.bytes(), &reason))
        showError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
}

void BoundPicture::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter p(this);
    const QRect inside = contentsRect();
    p.setClipRect(inside);
    const QImage& image = m_graphic.image();
    if (image.isNull()) {
        p.setFont(font());
        p.drawText(inside, Qt::AlignCenter, EmptyCaption);
    } else {
        // The picture at its natural size, centred; of a large one only the part that shows was
        // decoded, drawn at its place.
        const qreal ratio = image.devicePixelRatio();
        const QSize natural = m_graphic.naturalSize() / ratio;
        const QPoint origin = inside.center() - QPoint(natural.width() / 2, natural.height() / 2);
        const QRect part = m_graphic.part();
        p.drawImage(QRect(origin + part.topLeft() / ratio, part.size() / ratio), image);
    }
    // A dotted rectangle, however the focus came (click or Tab), never a tint of the picture.
    if (hasFocus()) {
        // Inverting what lies under it, so that it shows on a dark picture as on a light one.
        p.setBrush(Qt::NoBrush);
        p.setCompositionMode(QPainter::CompositionMode_Difference);
        p.setPen(QPen(Qt::white, 1, Qt::DotLine));
        p.drawRect(inside.adjusted(1, 1, -2, -2));
    }
}

void BoundPicture::contextMenuEvent(QContextMenuEvent* event) {
    updateActions();
    m_menu->popup(event->globalPos());
    event->accept();
}

void BoundPicture::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int key = event->key();
    if ((mods == Qt::ControlModifier && (key == Qt::Key_C || key == Qt::Key_Insert)))
        CopyToClipboard();
    else if ((mods == Qt::ControlModifier && key == Qt::Key_V) ||
             (mods == Qt::ShiftModifier && key == Qt::Key_Insert))
        PasteFromClipboard();
    else if ((mods == Qt::ControlModifier && key == Qt::Key_X) ||
             (mods == Qt::ShiftModifier && key == Qt::Key_Delete))
        CutToClipboard();
    else {
        QFrame::keyPressEvent(event);
        return;
    }
    event->accept();
}

void BoundPicture::focusInEvent(QFocusEvent* event) {
    QFrame::focusInEvent(event);
    update();
}

void BoundPicture::focusOutEvent(QFocusEvent* event) {
    QFrame::focusOutEvent(event);
    handleFocusOut(event);
    update();
}
