#pragma once

#include <QDialog>

// What the program's modal dialogs share: the grey face and the page font, a minimum size of
// 400 x 250, the place centred over the window that owns them, and no default or cancel button,
// so Enter and Esc do nothing by themselves.
class TDialogoVarno : public QDialog {
    Q_OBJECT

public:
    explicit TDialogoVarno(QWidget* owner);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
};
