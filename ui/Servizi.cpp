#include "Servizi.h"

#include "Prompter.h"

#include <QApplication>
#include <QCursor>
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

void LoadProgramFonts() {
    for (const char* path : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(path));
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
