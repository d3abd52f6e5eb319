#pragma once

#include "ControlDef.h"

#include <QHash>
#include <QList>
#include <QWidget>

class Dataset;
class DataSource;
class QLabel;
class QScrollArea;

// The base of every page: a borderless form whose only child is the scrolling page surface SbPg,
// which shows the picture of the printed page at its natural size with the controls over it in
// page coordinates. A page is described by a table of controls, which buildControls() turns into
// widgets on the surface.
class TWinSuperPagina : public QWidget {
    Q_OBJECT

public:
    explicit TWinSuperPagina(Dataset* dataset, QWidget* parent = nullptr);

    QScrollArea* SbPg() const { return m_sbPg; }
    // The widget inside the scroll area on which the picture and the controls lie; its origin is
    // the origin of page coordinates.
    QWidget* surface() const { return m_surface; }
    QLabel* PageBackground() const { return m_background; }
    Dataset* dataset() const { return m_dataset; }

    // DataSource1, DataSource2, ...: bindings of the page's dataset, made on first use.
    DataSource* dataSource(int index);
    const QList<DataSource*>& dataSources() const { return m_dataSources; }

    // The control made for a table entry, by object name; nullptr when there is none.
    QWidget* control(const QString& name) const { return m_controls.value(name); }
    // The controls in the order of the table.
    const QList<QWidget*>& controlList() const { return m_controlList; }

    // Writes the pending value of the control changed by the user (Save and Close do this first).
    // False when a control refused its text: it has shown why and kept the focus.
    bool UpdateRecord();
    // The same into a copy of the record (printing what is on screen), changing nothing in the
    // page's own record.
    bool WritePendingInto(Dataset& copy);

    // Scrolls to the top left.
    void scrollToOrigin();

    // Shows the page picture and grows the surface to the union of the picture and the controls.
    void setPagePicture(const QPixmap& picture);
    // Makes the controls of a table on the surface, binds them, sets the tab order.
    void buildControls(const QList<ControlDef>& table);
    void updateExtent();

private:
    Dataset* m_dataset;
    QScrollArea* m_sbPg;
    QWidget* m_surface;
    QLabel* m_background;
    QList<DataSource*> m_dataSources;
    QHash<QString, QWidget*> m_controls;
    QList<QWidget*> m_controlList;
};
