#pragma once

#include "Prompter.h"

#include <QList>
#include <QString>
#include <functional>

// Answers the program's questions from a script and records what was shown. Installed for its
// lifetime. An unscripted message is answered with its first button (OK or Yes); an unscripted
// file dialog is cancelled.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        QString caption;
        int flags = 0;
    };

    ScriptedPrompter();
    ~ScriptedPrompter() override;

    QList<int> answers;               // button codes, taken in order
    QStringList fileNames;            // answers to the file dialogs, taken in order
    QList<Shown> shown;               // every message and information box, in order
    std::function<void()> whileShown; // run inside each message, e.g. to look at the focus

    int message(QWidget* owner, const QString& text, const QString& caption, int flags) override;
    void information(QWidget* owner, const QString& text) override;
    QString openFileName(QWidget* owner, const QString& caption, const QString& filter,
                         int* filterIndex) override;
    QString saveFileName(QWidget* owner, const QString& caption, const QString& filter,
                         const QString& defaultSuffix, int* filterIndex) override;
    QStringList proposed; // the paths proposed by the save dialogs that propose one, in order
    QString saveFileNameAt(QWidget* owner, const QString& caption, const QString& filter,
                           const QString& defaultSuffix, const QString& path) override;
};
