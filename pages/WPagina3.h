#pragma once

#include "WSuperPagina.h"

class TWinPagina3 : public TWinSuperPagina {
    Q_OBJECT

public:
    explicit TWinPagina3(Dataset* dataset, QWidget* parent = nullptr);
};
