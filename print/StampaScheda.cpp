#include "StampaScheda.h"

#include "ControlDef.h"
#include "Dataset.h"
#include "PageArt.h"
#include "PictureDecoding.h"
#include "PictureFormat.h"
#include "SafeFile.h"
#include "TabellaPagina1.h"
#include "TabellaPagina2.h"
#include "TabellaPagina3.h"
#include "VarnoError.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QIODevice>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kPageWidth = 900;
constexpr int kPages = 3;
// The lettering of the controls: Tahoma 8 point at 96 pixels per inch, 11 pixels high, and never
// smaller than this where a long text has to fit its box.
constexpr int kValuePixels = 11;
constexpr int kSmallestPixels = 6;
// Space between a box's border and its text, as the controls leave it.
constexpr int kInset = 3;
// The footer line under each page: its height and the gap above it, in millimetres.
constexpr qreal kFooterMm = 4.0;
constexpr qreal kFooterGapMm = 2.0;
// Pictures are drawn at no more than this resolution on paper.
constexpr qreal kPictureDpi = 300.0;

const QColor kValueInk(0, 0, 0);
const QColor kNullInk(150, 150, 150);

QString valueFamily() {
    static const QString family = [] {
        QString f;
        for (const char* path : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
            const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(path));
            if (id >= 0 && f.isEmpty() && !QFontDatabase::applicationFontFamilies(id).isEmpty())
                f = QFontDatabase::applicationFontFamilies(id).first();
        }
        return f.isEmpty() ? QStringLiteral("DejaVu Sans") : f;
    }();
    return family;
}

QFont valueFont(int pixelSize, bool bold = false) {
    QFont f(valueFamily());
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

Field* boundField(const Dataset& scheda, const QString& name) {
    if (name.isEmpty())
        return nullptr;
    Field* f = scheda.field(name);
    return f && f->bound() ? f : nullptr;
}

// The largest lettering up to 11 pixels with which the text fits the rectangle (wrapped when
// asked); the smallest when none does.
QFont fittingFont(const QString& text, const QRectF& r, bool wrap) {
    for (int px = kValuePixels; px > kSmallestPixels; --px) {
        const QFont f = valueFont(px);
        const QFontMetricsF fm(f);
        if (wrap) {
            const QRectF need =
                fm.boundingRect(QRectF(0, 0, r.width(), 1e6), Qt::TextWordWrap | Qt::AlignLeft, text);
            if (need.height() <= r.height())
                return f;
        } else if (fm.horizontalAdvance(text) <= r.width()) {
            return f;
        }
    }
    return valueFont(kSmallestPixels);
}

void drawLine(QPainter& p, const QRect& box, const QString& text) {
    if (text.isEmpty())
        return;
    const QRectF r = QRectF(box).adjusted(kInset, 0, -kInset / 2.0, 0);
    p.save();
    p.setClipRect(box);
    p.setFont(fittingFont(text, r, false));
    p.setPen(kValueInk);
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    p.restore();
}

void drawMemo(QPainter& p, const QRect& box, QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    if (text.trimmed().isEmpty())
        return;
    const QRectF r = QRectF(box).adjusted(kInset, 2, -kInset, -2);
    p.save();
    p.setClipRect(box);
    p.setFont(fittingFont(text, r, true));
    p.setPen(kValueInk);
    p.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    p.restore();
}

// The tick of a check box inside the square printed under it.
void drawTick(QPainter& p, const QRect& control, const QColor& ink) {
    const QRectF sq = TickSquare(control);
    const qreal side = sq.width();
    QPainterPath tick;
    tick.moveTo(sq.left() + 0.2 * side, sq.top() + 0.52 * side);
    tick.lineTo(sq.left() + 0.42 * side, sq.top() + 0.76 * side);
    tick.lineTo(sq.left() + 0.82 * side, sq.top() + 0.22 * side);
    p.save();
    p.setPen(QPen(ink, std::max(1.4, side / 7.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    p.restore();
}

void drawCheckBox(QPainter& p, const ControlDef& def, const Field* f) {
    const QRect r = EffectiveRect(def);
    if (!f || f->isNull()) {
        // A null field shows the greyed state.
        if (f)
            drawTick(p, r, kNullInk);
        return;
    }
    if (f->asBoolean())
        drawTick(p, r, kValueInk);
}

void drawRadioGroup(QPainter& p, const ControlDef& def, const Field* f) {
    const QRect r = EffectiveRect(def);
    const RadioLayout layout = RadioGroupLayout(int(def.items.size()), def.columns);
    const int chosen = f ? MatchItem(def.items, f->value()) : -1;
    p.save();
    if (!def.transparent)
        p.fillRect(r, Qt::white);
    for (int i = 0; i < def.items.size(); ++i) {
        const QRect cell = RadioCell(layout, r.size(), i).translated(r.topLeft());
        const QPointF centre(cell.left() + 7.5, cell.top() + cell.height() / 2.0);
        const QString& caption = def.items[i].caption;
        if (!caption.isEmpty() || !def.transparent) {
            // The button and its caption, where the page has printed neither.
            p.setPen(QPen(QColor(60, 60, 60), 0.9));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(centre, 6, 6);
            p.setFont(valueFont(kValuePixels, def.bold));
            p.setPen(kValueInk);
            p.drawText(QRectF(cell.left() + 17, cell.top(), cell.width() - 17, cell.height()),
                       Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);
        }
        if (i == chosen) {
            p.setPen(Qt::NoPen);
            p.setBrush(kValueInk);
            p.drawEllipse(centre, 3.5, 3.5);
        }
    }
    p.restore();
}

// The size a picture of `natural` pixels takes in its box: its own at 96 pixels per inch, shrunk
// to fit keeping its proportions.
QSizeF fittedSize(QSizeF natural, const QRect& box) {
    if (natural.width() > box.width() || natural.height() > box.height())
        natural.scale(box.size(), Qt::KeepAspectRatio);
    return natural;
}

// Pixels of the painter's device per pixel of page coordinates, at no more than 300 dpi on paper.
qreal picturePixelsPerUnit(const QPainter& p) {
    const QPaintDevice* device = p.device();
    const qreal dpi = device && device->logicalDpiX() > 0 ? device->logicalDpiX() : 96;
    return std::hypot(p.worldTransform().m11(), p.worldTransform().m12()) / dpi * kPictureDpi;
}

QSize wantedPixels(const QSizeF& size, qreal perUnit) {
    return QSize(std::max(1, int(std::ceil(size.width() * perUnit))),
                 std::max(1, int(std::ceil(size.height() * perUnit))));
}

// The picture scaled into its box keeping its proportions (never enlarged past its own size at
// 96 pixels per inch), centred; stored bytes of no known format draw nothing, as on screen.
void drawPicture(QPainter& p, const ControlDef& def, const Field* f) {
    if (!f || f->isNull())
        return;
    const QByteArray bytes = SkipLegacyHeader(f->asBytes());
    if (bytes.isEmpty())
        return;
    const QRect box = EffectiveRect(def).adjusted(1, 1, -1, -1);
    const qreal perUnit = picturePixelsPerUnit(p);
    // Decoded by the same bounded decoder as the picture boxes; a JPEG photograph is read straight
    // at about the size it will be drawn, far quicker than decoding 12 megapixels and scaling them.
    PictureRequest request;
    const JpegLayout jpeg =
        DetectPictureFormat(bytes) == PictureFormat::Jpeg ? ScanJpeg(bytes) : JpegLayout{};
    if (jpeg.size.isValid())
        request.fitInto = wantedPixels(fittedSize(jpeg.size, box), perUnit);
    const DecodedPicture decoded = DecodePicture(bytes, request);
    if (!decoded.ok())
        return;
    QImage image = decoded.image;
    const QSizeF natural = decoded.naturalSize;
    if (image.isNull() || natural.isEmpty())
        return;
    const QSizeF size = fittedSize(natural, box);
    const QRectF target(box.left() + (box.width() - size.width()) / 2.0,
                        box.top() + (box.height() - size.height()) / 2.0, size.width(), size.height());
    // As many pixels as the paper shows at 300 dpi, so that a photograph does not carry its
    // whole resolution into the document.
    const QSize want = wantedPixels(size, perUnit);
    if (image.width() > want.width() || image.height() > want.height())
        image = image.scaled(want, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    p.save();
    p.setClipRect(box);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, image);
    p.restore();
}

void drawValue(QPainter& p, const ControlDef& def, const Dataset& scheda) {
    if (!def.visible)
        return;
    const Field* f = boundField(scheda, def.field);
    switch (def.kind) {
    case ControlKind::Edit:
    case ControlKind::DateEdit:
    case ControlKind::ChoiceBox:
    case ControlKind::SpinEdit:
    case ControlKind::Label:
        drawLine(p, EffectiveRect(def), StampaScheda::testoControllo(def, scheda));
        break;
    case ControlKind::Memo:
        if (f && !f->isNull())
            drawMemo(p, EffectiveRect(def), f->asString());
        break;
    case ControlKind::CheckBox:
        drawCheckBox(p, def, f);
        break;
    case ControlKind::RadioGroup:
        drawRadioGroup(p, def, f);
        break;
    case ControlKind::Picture:
        drawPicture(p, def, f);
        break;
    case ControlKind::PushButton:
    case ControlKind::WebImage:
        break;
    }
}

QString dateText(const QVariant& v) {
    const QDate d = v.typeId() == QMetaType::QDate ? v.toDate() : v.toDateTime().date();
    return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

} // namespace

StampaScheda::StampaScheda(QPagedPaintDevice* device, const QDate& dataStampa)
    : m_device(device), m_data(dataStampa) {}

StampaScheda::~StampaScheda() {
    fine();
}

void StampaScheda::impostaPagina(QPagedPaintDevice& device) {
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
}

int StampaScheda::altezzaPagina(int pagina) {
    return PaginaHeight(pagina);
}

const QList<ControlDef>& StampaScheda::tabella(int pagina) {
    static const QList<ControlDef> tables[kPages] = {TabellaPagina1(), TabellaPagina2(), TabellaPagina3()};
    static const QList<ControlDef> none;
    return pagina >= 1 && pagina <= kPages ? tables[pagina - 1] : none;
}

QRectF StampaScheda::areaPagina(int pagina, const QRectF& area) {
    const int height = altezzaPagina(pagina);
    if (height <= 0 || area.isEmpty())
        return {};
    // The footer takes its share of the area in the area's own units, as millimetres of a
    // 190 mm wide A4 area.
    const qreal unitsPerMm = area.width() / 190.0;
    const qreal avail = area.height() - (kFooterMm + kFooterGapMm) * unitsPerMm;
    const qreal scale = std::min(area.width() / kPageWidth, avail / height);
    const QSizeF size(kPageWidth * scale, height * scale);
    return QRectF(area.left() + (area.width() - size.width()) / 2.0, area.top(), size.width(), size.height());
}

QString StampaScheda::testoControllo(const ControlDef& def, const Dataset& scheda) {
    const Field* f = boundField(scheda, def.field);
    if (!f || f->isNull())
        return {};
    switch (def.kind) {
    case ControlKind::Edit:
    case ControlKind::Label:
    case ControlKind::DateEdit:
        if (f->kind() == FieldKind::DateTime || f->kind() == FieldKind::Date)
            return dateText(f->value());
        return f->asString();
    case ControlKind::SpinEdit:
        return QString::number(f->asInteger());
    case ControlKind::ChoiceBox: {
        const int i = MatchItem(def.items, f->value());
        return i >= 0 ? def.items[i].caption : QString();
    }
    default:
        return {};
    }
}

void StampaScheda::disegnaPagina(QPainter& painter, int pagina, const Dataset& scheda) {
    DrawPagina(pagina, painter);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (const ControlDef& def : tabella(pagina))
        drawValue(painter, def, scheda);
    painter.restore();
}

void StampaScheda::aggiungi(const Dataset& scheda, const QString& nomeFile) {
    if (!m_painter) {
        m_painter = new QPainter;
        if (!m_painter->begin(m_device)) {
            delete m_painter;
            m_painter = nullptr;
            throw VarnoError(QStringLiteral("Impossibile avviare la stampa"));
        }
    }
    QPainter& p = *m_painter;
    const QRectF area(0, 0, m_device->width(), m_device->height());
    const qreal unitsPerMm = m_device->logicalDpiY() / 25.4;
    for (int pagina = 1; pagina <= kPages; ++pagina) {
        if (m_fogli > 0 && !m_device->newPage())
            throw VarnoError(QStringLiteral("Impossibile aggiungere un foglio alla stampa"));
        ++m_fogli;
        const QRectF target = areaPagina(pagina, area);
        p.save();
        p.translate(target.topLeft());
        p.scale(target.width() / kPageWidth, target.width() / kPageWidth);
        disegnaPagina(p, pagina, scheda);
        p.restore();

        // The footer: file name, page number, date of printing.
        p.save();
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(std::max(1, qRound(2.8 * unitsPerMm)));
        p.setFont(f);
        p.setPen(QColor(40, 40, 40));
        const QRectF footer(target.left(), area.bottom() - kFooterMm * unitsPerMm, target.width(),
                            kFooterMm * unitsPerMm);
        const int flags = Qt::AlignVCenter | Qt::TextSingleLine;
        p.drawText(footer, flags | Qt::AlignLeft, nomeFile);
        p.drawText(footer, flags | Qt::AlignHCenter,
                   QStringLiteral("Pagina %1 di %2").arg(pagina).arg(kPages));
        p.drawText(footer, flags | Qt::AlignRight, m_data.toString(QStringLiteral("dd/MM/yyyy")));
        p.restore();
    }
}

bool StampaScheda::fine() {
    if (!m_painter)
        return true;
    const bool ok = m_painter->end();
    delete m_painter;
    m_painter = nullptr;
    return ok;
}

namespace {

// The PDF writer's output streamed into a SafeFile: the file is replaced only when commit()
// succeeds after the last byte.
class SafeFileDevice : public QIODevice {
public:
    explicit SafeFileDevice(const QString& path) : m_file(path) {}
    bool start() { return m_file.open() && QIODevice::open(QIODevice::WriteOnly); }
    bool failed() const { return m_failed; }
    bool commit() { return !m_failed && m_file.commit(); }
    QString reason() const { return m_file.errorString(); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override {
        if (m_failed || !m_file.write(QByteArrayView(data, len))) {
            m_failed = true;
            return -1;
        }
        return len;
    }

private:
    SafeFile m_file;
    bool m_failed = false;
};

} // namespace

struct DocumentoPdf::Impl {
    QString path;
    SafeFileDevice out;
    QPdfWriter writer;
    StampaScheda stampa;
    explicit Impl(const QString& p, const QDate& data)
        : path(p), out(p), writer(&out), stampa(&writer, data) {}
};

DocumentoPdf::DocumentoPdf(const QString& path, const QDate& dataStampa) : d(new Impl(path, dataStampa)) {
    if (!d->out.start()) {
        const QString reason = d->out.reason();
        delete d;
        d = nullptr;
        throw VarnoError(QStringLiteral("Impossibile scrivere il file \"%1\": %2").arg(path, reason));
    }
    d->writer.setCreator(QStringLiteral("VARNO"));
    d->writer.setTitle(QStringLiteral("Scheda di 1° livello di rilevamento danno"));
    StampaScheda::impostaPagina(d->writer);
}

DocumentoPdf::~DocumentoPdf() {
    delete d;
}

void DocumentoPdf::aggiungi(const Dataset& scheda, const QString& nomeFile) {
    if (!d)
        return;
    d->stampa.aggiungi(scheda, nomeFile);
}

void DocumentoPdf::chiudi() {
    if (!d)
        return;
    // The painter writes the rest of the document when it ends; only then is the file replaced.
    const bool complete = d->stampa.fine() && !d->out.failed() && d->out.commit();
    const QString path = d->path;
    const QString reason = d->out.reason();
    delete d;
    d = nullptr;
    if (!complete)
        throw VarnoError(QStringLiteral("Impossibile scrivere il file \"%1\": %2")
                             .arg(path, reason.isEmpty() ? QStringLiteral("errore di scrittura") : reason));
}
