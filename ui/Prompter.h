#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Windows message-box flags and button codes, which the program's questions are written in.
namespace MB {
constexpr int Ok = 0x00, OkCancel = 0x01, YesNoCancel = 0x03, YesNo = 0x04;
constexpr int IconStop = 0x10, IconQuestion = 0x20, IconExclamation = 0x30, IconInformation = 0x40;
constexpr int TaskModal = 0x2000, TopMost = 0x40000;
constexpr int IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7;
} // namespace MB

// Every question, message and file dialog of the program goes through the current prompter. The
// default one shows the real Qt dialogs; tests install a scripted one.
class Prompter {
public:
    virtual ~Prompter() = default;
    // A message box; returns the Windows code of the button pressed.
    virtual int message(QWidget* owner, const QString& text, const QString& caption, int flags) = 0;
    // A plain information box: text and OK.
    virtual void information(QWidget* owner, const QString& text) = 0;
    // File dialogs; an empty result means cancelled.
    virtual QString openFileName(QWidget* owner, const QString& caption, const QString& filter,
                                 int* filterIndex) = 0;
    virtual QString saveFileName(QWidget* owner, const QString& caption, const QString& filter,
                                 const QString& defaultSuffix, int* filterIndex) = 0;
    // A save dialog that proposes a folder and file name (a path); by default the one above.
    virtual QString saveFileNameAt(QWidget* owner, const QString& caption, const QString& filter,
                                   const QString& defaultSuffix, const QString& proposed) {
        (void)proposed;
        return saveFileName(owner, caption, filter, defaultSuffix, nullptr);
    }
};

Prompter* CurrentPrompter();
// Installs a prompter (not owned); nullptr restores the real dialogs.
void SetPrompter(Prompter* prompter);

// The real dialogs.
class QtPrompter : public Prompter {
public:
    int message(QWidget* owner, const QString& text, const QString& caption, int flags) override;
    void information(QWidget* owner, const QString& text) override;
    QString openFileName(QWidget* owner, const QString& caption, const QString& filter,
                         int* filterIndex) override;
    QString saveFileName(QWidget* owner, const QString& caption, const QString& filter,
                         const QString& defaultSuffix, int* filterIndex) override;
    QString saveFileNameAt(QWidget* owner, const QString& caption, const QString& filter,
                           const QString& defaultSuffix, const QString& proposed) override;
};
