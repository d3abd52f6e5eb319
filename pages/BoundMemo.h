#pragma once

#include "BoundControl.h"

#include <QPlainTextEdit>

// A multi-line text box bound to a memo field: lines wrap at the box's width, Enter starts a new
// line, and the text is stored with CR LF line breaks.
class BoundMemo : public QPlainTextEdit, public BoundControl {
    Q_OBJECT

public:
    explicit BoundMemo(QWidget* parent = nullptr);

protected:
    void showValue(const QVariant& value) override;
    bool writeValue(Field* field) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    bool m_showing = false;
};
