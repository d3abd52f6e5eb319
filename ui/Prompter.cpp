#include "Prompter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {
Prompter* g_prompter = nullptr;

QString displayText(QString text) {
    // The program breaks lines with a lone CR.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

int filterIndexOf(const QString& filter, const QString& selected) {
    const QStringList parts = filter.split(QLatin1String(";;"));
    const int i = int(parts.indexOf(selected));
    return i < 0 ? 1 : i + 1;
}
} // namespace

Prompter* CurrentPrompter() {
    static QtPrompter real;
    return g_prompter ? g_prompter : &real;
}

void SetPrompter(Prompter* prompter) {
    g_prompter = prompter;
}

int QtPrompter::message(QWidget* owner, const QString& text, const QString& caption, int flags) {
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(displayText(text));
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, (flags & MB::TopMost) != 0);
    switch (flags & 0xF0) {
    case MB::IconStop:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB::IconQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case MB::IconExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB::IconInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    struct Button {
        QMessageBox::StandardButton button;
        int code;
    };
    QList<Button> buttons;
    switch (flags & 0x0F) {
    case MB::OkCancel:
        buttons = {{QMessageBox::Ok, MB::IdOk}, {QMessageBox::Cancel, MB::IdCancel}};
        break;
    case MB::YesNoCancel:
        buttons = {
            {QMessageBox::Yes, MB::IdYes}, {QMessageBox::No, MB::IdNo}, {QMessageBox::Cancel, MB::IdCancel}};
        break;
    case MB::YesNo:
        buttons = {{QMessageBox::Yes, MB::IdYes}, {QMessageBox::No, MB::IdNo}};
        break;
    default:
        buttons = {{QMessageBox::Ok, MB::IdOk}};
        break;
    }
    QMessageBox::StandardButtons set;
    for (const Button& b : buttons)
        set |= b.button;
    box.setStandardButtons(set);
    box.setDefaultButton(buttons.first().button);
    // Italian captions on the buttons, as everywhere else in the program.
    const std::pair<QMessageBox::StandardButton, const char*> captions[] = {
        {QMessageBox::Yes, "&S\u00ec"}, {QMessageBox::No, "&No"}, {QMessageBox::Cancel, "Annulla"}};
    for (const auto& [button, text] : captions)
        if (QAbstractButton* b = box.button(button))
            b->setText(QString::fromUtf8(text));
    box.exec();
    const auto pressed = box.standardButton(box.clickedButton());
    for (const Button& b : buttons)
        if (b.button == pressed)
            return b.code;
    // Closed without a button: Cancel where there is one, else the only OK.
    return (flags & 0x0F) == MB::YesNo ? MB::IdNo : (flags & 0x0F) == MB::Ok ? MB::IdOk : MB::IdCancel;
}

void QtPrompter::information(QWidget* owner, const QString& text) {
    QMessageBox box(owner);
    box.setWindowTitle(QApplication::applicationName());
    box.setText(displayText(text));
    box.setTextFormat(Qt::PlainText);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

QString QtPrompter::openFileName(QWidget* owner, const QString& caption, const QString& filter,
                                 int* filterIndex) {
    QString selected;
    const QStringList parts = filter.split(QLatin1String(";;"));
    if (filterIndex && *filterIndex >= 1 && *filterIndex <= parts.size())
        selected = parts[*filterIndex - 1];
    const QString name = QFileDialog::getOpenFileName(owner, caption, QString(), filter, &selected);
    if (filterIndex && !name.isEmpty())
        *filterIndex = filterIndexOf(filter, selected);
    return name;
}

QString QtPrompter::saveFileName(QWidget* owner, const QString& caption, const QString& filter,
                                 const QString& defaultSuffix, int* filterIndex) {
    QFileDialog dlg(owner, caption, QString(), filter);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(defaultSuffix);
    const QStringList parts = filter.split(QLatin1String(";;"));
    if (filterIndex && *filterIndex >= 1 && *filterIndex <= parts.size())
        dlg.selectNameFilter(parts[*filterIndex - 1]);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    if (filterIndex)
        *filterIndex = filterIndexOf(filter, dlg.selectedNameFilter());
    return dlg.selectedFiles().first();
}

QString QtPrompter::saveFileNameAt(QWidget* owner, const QString& caption, const QString& filter,
                                   const QString& defaultSuffix, const QString& proposed) {
    // The dialog opens in the proposed folder (the home folder when that is missing) with the
    // proposed name typed in.
    const QFileInfo info(proposed);
    const QString folder = info.dir().exists() ? info.absolutePath() : QDir::homePath();
    QFileDialog dlg(owner, caption, folder, filter);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(defaultSuffix);
    dlg.selectFile(info.fileName());
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first();
}
