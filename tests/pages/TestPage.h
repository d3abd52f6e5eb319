#pragma once

#include "ControlDef.h"
#include "WSuperPagina.h"

// A page holding one control of each kind (and a few more for the shared-field and layout cases),
// over a drawn picture of printed boxes 900 x 1300.
class TestPage : public TWinSuperPagina {
    Q_OBJECT

public:
    explicit TestPage(Dataset* dataset, QWidget* parent = nullptr);

    static QList<ControlDef> Table();
    template <typename T> T* get(const QString& name) const { return qobject_cast<T*>(control(name)); }
};
