#pragma once

#include "WSuperPagina.h"

class TWinPagina2 : public TWinSuperPagina {
    Q_OBJECT

public:
    explicit TWinPagina2(Dataset* dataset, QWidget* parent = nullptr);
};
