#pragma once

#include "ControlDef.h"

#include <QList>

class QWidget;
class TWinSuperPagina;

// Turns a page's table of control descriptions into widgets on its surface, in table order (so a
// later control lies on top of an earlier one), binds them to the page's data sources and chains
// the tab order by the table's positions.
class PageBuilder {
public:
    static QList<QWidget*> build(TWinSuperPagina* page, const QList<ControlDef>& table);
    static QWidget* make(TWinSuperPagina* page, const ControlDef& def);
};
