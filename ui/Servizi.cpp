#include "Servizi.h"

#include "Prompter.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFontDatabase>
#include <QLocale>
#include <QPointer>
#include <QWidget>

int Messaggio(const QString& text, const QString& caption, int flags) {
    QPointer<QWidget> focused = QApplication::focusWidget();
    const int result = CurrentPrompter()->message(QApplication::activeWindow(), text, caption,
                                                  flags | MB::TaskModal | MB::TopMost);
    if (focused) {
        if (QWidget* w = focused->window())
            w->activateWindow();
        focused->setFocus(Qt::OtherFocusReason);
    }
    return result;
}

void CursoreAttesa() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void RipristinaCursore() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    QCursor::setPos(QCursor::pos());
}

namespace {
QString& family() {
    static QString f;
    return f;
}
} // namespace

namespace {
quint32 bigEndian32(const QByteArray& b, qsizetype at) {
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16 | quint32(quint8(b[at + 2])) << 8 |
           quint8(b[at + 3]);
}

// The bold Tahoma installed with Wine has the bold face's widths but the regular face's strokes,
// so bold text looks regular. Marked as a semi-bold face that is not bold in its style bits, it
// is still chosen for bold text, and the font engine then thickens its outlines: bold text keeps
// the bold widths and gets bold strokes. A file whose tables cannot be found is left as it is.
QByteArray BoldFaceEmboldened(QByteArray font) {
    if (font.size() < 12)
        return font;
    const int tables = int(quint8(font[4])) << 8 | quint8(font[5]);
    for (int i = 0; i < tables; ++i) {
        const qsizetype record = 12 + qsizetype(i) * 16;
        if (record + 16 > font.size())
            break;
        const QByteArray tag = font.mid(record, 4);
        const qsizetype offset = bigEndian32(font, record + 8);
        const qsizetype length = bigEndian32(font, record + 12);
        if (offset < 0 || length < 0 || offset + length > font.size())
            continue;
        if (tag == "OS/2" && length >= 64) {
            // usWeightClass 600: still the nearest face to a bold request, and light enough for
            // the engine to thicken it.
            font[offset + 4] = char(600 >> 8);
            font[offset + 5] = char(600 & 0xFF);
            font[offset + 63] = char(quint8(font[offset + 63]) & ~0x20); // fsSelection: not BOLD
        } else if (tag == "head" && length >= 46)
            font[offset + 45] = char(quint8(font[offset + 45]) & ~0x01); // macStyle: not bold
    }
    return font;
}
} // namespace

void LoadProgramFonts() {
    for (const char* path : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
        QFile file(QString::fromLatin1(path));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QByteArray data = file.readAll();
        if (QByteArray(path).endsWith("tahomabd.ttf"))
            data = BoldFaceEmboldened(std::move(data));
        const int id = QFontDatabase::addApplicationFontFromData(data);
        if (id >= 0 && family().isEmpty() && !QFontDatabase::applicationFontFamilies(id).isEmpty())
            family() = QFontDatabase::applicationFontFamilies(id).first();
    }
    if (family().isEmpty())
        family() = QStringLiteral("DejaVu Sans");
}

QFont ProgramFont(int pixelSize, bool bold) {
    if (family().isEmpty())
        LoadProgramFonts();
    QFont f(family());
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

void ImpostaLocale() {
    if (QLocale::system().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
}
