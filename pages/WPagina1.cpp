#include "WPagina1.h"

TWinPagina1::TWinPagina1(Dataset* dataset, QWidget* parent) : TWinSuperPagina(dataset, parent) {
    setObjectName(QStringLiteral("TWinPagina1"));
}
