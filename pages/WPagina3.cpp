#include "WPagina3.h"

TWinPagina3::TWinPagina3(Dataset* dataset, QWidget* parent) : TWinSuperPagina(dataset, parent) {
    setObjectName(QStringLiteral("TWinPagina3"));
}
