#pragma once

#include "WSuperPagina.h"

// The configuration page: an empty page that is never shown.
class TWinCnf : public TWinSuperPagina {
    Q_OBJECT

public:
    explicit TWinCnf(Dataset* dataset, QWidget* parent = nullptr);
};
