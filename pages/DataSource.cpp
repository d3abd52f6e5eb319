#include "DataSource.h"

#include "BoundControl.h"
#include "Dataset.h"

DataSource::DataSource(Dataset* dataset, QObject* parent) : QObject(parent), m_dataset(dataset) {
    m_wasActive = active();
    connect(dataset, &Dataset::recordChanged, this, &DataSource::recordChanged);
    connect(dataset, &Dataset::stateChanged, this, &DataSource::stateChanged);
    connect(dataset, &Dataset::fieldChanged, this, [this](int, const QString& name) { fieldChanged(name); });
}

DataSource::~DataSource() {
    for (BoundControl* c : std::as_const(m_controls))
        c->dataSourceGone(this);
}

Field* DataSource::field(const QString& name) const {
    return m_dataset ? m_dataset->field(name) : nullptr;
}

bool DataSource::active() const {
    return m_dataset && m_dataset->active() && m_dataset->recordCount() > 0;
}

void DataSource::attach(BoundControl* control) {
    if (m_controls.contains(control))
        return;
    m_controls.append(control);
    m_byField[control->dataField()].append(control);
    control->dataChanged();
}

void DataSource::detach(BoundControl* control) {
    m_controls.removeAll(control);
    for (auto it = m_byField.begin(); it != m_byField.end(); ++it)
        it->removeAll(control);
}

bool DataSource::edit() {
    if (!active())
        return false;
    if (!m_dataset->editing())
        m_dataset->edit();
    return true;
}

bool DataSource::UpdateRecord() {
    const QList<BoundControl*> controls = m_controls;
    for (BoundControl* c : controls)
        if (c->modified() && !c->updateRecord())
            return false;
    return true;
}

bool DataSource::WritePendingInto(Dataset& copy) {
    for (BoundControl* c : std::as_const(m_controls))
        if (c->modified() && !c->writePendingInto(copy))
            return false;
    return true;
}

void DataSource::recordChanged() {
    m_wasActive = active();
    const QList<BoundControl*> controls = m_controls;
    for (BoundControl* c : controls)
        c->dataChanged();
}

void DataSource::fieldChanged(const QString& name) {
    const QList<BoundControl*> controls = m_byField.value(name);
    for (BoundControl* c : controls)
        c->dataChanged();
}

void DataSource::stateChanged() {
    // Entering or leaving the edit state changes no value; only opening and closing show anew.
    // A record being appended is shown by the record change that ends the append, once its
    // new-record initialisation has run.
    if (active() != m_wasActive && m_dataset->state() != Dataset::State::Insert)
        recordChanged();
}
