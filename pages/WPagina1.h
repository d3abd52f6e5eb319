#pragma once

#include "WSuperPagina.h"

class TWinPagina1 : public TWinSuperPagina {
    Q_OBJECT

public:
    explicit TWinPagina1(Dataset* dataset, QWidget* parent = nullptr);
};
