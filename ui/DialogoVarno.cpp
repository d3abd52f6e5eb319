#include "DialogoVarno.h"

#include "Servizi.h"

#include <QKeyEvent>

TDialogoVarno::TDialogoVarno(QWidget* owner) : QDialog(owner) {
    setFont(ProgramFont());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(181, 181, 181));
    setPalette(pal);
    setMinimumSize(400, 250);
}

void TDialogoVarno::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TDialogoVarno::showEvent(QShowEvent* event) {
    if (QWidget* owner = parentWidget())
        move(owner->window()->frameGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
