#include "ExeDir.h"

#include <QCoreApplication>

namespace {
QString& storage() {
    static QString dir;
    return dir;
}
} // namespace

QString ExeDir() {
    if (storage().isEmpty())
        SetExeDir(QCoreApplication::applicationDirPath());
    return storage();
}

void SetExeDir(const QString& folder) {
    QString d = folder;
    if (!d.endsWith(u'/') && !d.endsWith(u'\\'))
        d += u'/';
    storage() = d;
}
