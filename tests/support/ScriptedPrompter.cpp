#include "ScriptedPrompter.h"

ScriptedPrompter::ScriptedPrompter() {
    SetPrompter(this);
}

ScriptedPrompter::~ScriptedPrompter() {
    SetPrompter(nullptr);
}

int ScriptedPrompter::message(QWidget*, const QString& text, const QString& caption, int flags) {
    shown.append({text, caption, flags});
    if (whileShown)
        whileShown();
    if (!answers.isEmpty())
        return answers.takeFirst();
    return (flags & 0x0F) == MB::YesNo || (flags & 0x0F) == MB::YesNoCancel ? MB::IdYes : MB::IdOk;
}

void ScriptedPrompter::information(QWidget*, const QString& text) {
    shown.append({text, QString(), -1});
}

QString ScriptedPrompter::openFileName(QWidget*, const QString&, const QString&, int*) {
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QString ScriptedPrompter::saveFileName(QWidget*, const QString&, const QString&, const QString&, int*) {
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QString ScriptedPrompter::saveFileNameAt(QWidget*, const QString&, const QString&, const QString&,
                                         const QString& path) {
    proposed << path;
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}
