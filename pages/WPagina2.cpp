#include "WPagina2.h"

TWinPagina2::TWinPagina2(Dataset* dataset, QWidget* parent) : TWinSuperPagina(dataset, parent) {
    setObjectName(QStringLiteral("TWinPagina2"));
}
