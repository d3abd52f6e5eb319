#include "BoundControl.h"

#include "DataSource.h"
#include "Dataset.h"
#include "Field.h"
#include "Prompter.h"
#include "Servizi.h"
#include "VarnoError.h"

#include <QApplication>
#include <QFocusEvent>
#include <QWidget>

namespace {
int g_beeps = 0;

// Stops a control's write on the scratch field where it would have refused its content.
struct RifiutoProva {};
} // namespace

void BoundControl::Beep() {
    ++g_beeps;
    QApplication::beep();
}

int BoundControl::beepCount() {
    return g_beeps;
}

BoundControl::BoundControl(QWidget* self) : m_self(self) {}

BoundControl::~BoundControl() {
    if (m_source)
        m_source->detach(this);
}

void BoundControl::setDataSource(DataSource* source) {
    if (m_source == source)
        return;
    if (m_source)
        m_source->detach(this);
    m_source = source;
    if (m_source)
        m_source->attach(this);
}

void BoundControl::setDataField(const QString& name) {
    DataSource* source = m_source;
    if (source)
        source->detach(this);
    m_field = name;
    if (source)
        source->attach(this);
}

void BoundControl::dataSourceGone(DataSource* source) {
    if (m_source == source)
        m_source = nullptr;
}

Field* BoundControl::field() const {
    if (!m_source || m_field.isEmpty() || !m_source->active())
        return nullptr;
    Field* f = m_source->field(m_field);
    return f && f->bound() ? f : nullptr;
}

QVariant BoundControl::fieldValue() const {
    Field* f = field();
    return f ? f->value() : QVariant();
}

void BoundControl::dataChanged() {
    if (m_updating)
        return;
    m_modified = false;
    showValue(fieldValue());
}

bool BoundControl::updateRecord() {
    if (!m_modified)
        return true;
    Field* f = field();
    if (!f) {
        m_modified = false;
        return true;
    }
    bool ok = false;
    m_updating = true;
    try {
        ok = writeValue(f);
    } catch (const VarnoError& e) {
        m_updating = false;
        refuse(e.message());
        return false;
    } catch (...) {
        // Any other failure still leaves the control showing the record's changes.
        m_updating = false;
        throw;
    }
    m_updating = false;
    if (ok)
        dataChanged(); // shows the stored form of what was typed
    return ok;
}

bool BoundControl::pendingValue(QVariant* value) {
    if (!m_modified)
        return false;
    Field* f = field();
    if (!f)
        return false;
    Dataset scratch;
    scratch.createFields({f->def()});
    scratch.open({f->def()}, {Dataset::Row{f->value()}}, 1);
    Field* copy = scratch.fields().front().get();
    bool ok = false;
    m_probing = true;
    try {
        ok = writeValue(copy);
    } catch (const RifiutoProva&) {
    } catch (const VarnoError&) {
    }
    m_probing = false;
    if (ok)
        *value = copy->value();
    return ok;
}

bool BoundControl::writePendingInto(Dataset& copy) {
    if (!m_modified || !field())
        return true;
    Field* target = copy.field(m_field);
    if (!target || !target->bound())
        return true;
    try {
        return writeValue(target);
    } catch (const VarnoError& e) {
        refuse(e.message());
        return false;
    }
}

bool BoundControl::markModified() {
    if (!m_source || !field() || !m_source->edit())
        return false;
    m_modified = true;
    return true;
}

void BoundControl::reset() {
    dataChanged();
}

void BoundControl::handleFocusOut(QFocusEvent* event) {
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    updateRecord();
}

void BoundControl::refuse(const QString& message) {
    if (m_probing)
        throw RifiutoProva{};
    Messaggio(message, QStringLiteral("Varno"), MB::Ok | MB::IconStop);
    // The message box gave the focus back to where it was going; the control keeps it instead.
    m_self->setFocus(Qt::OtherFocusReason);
}
