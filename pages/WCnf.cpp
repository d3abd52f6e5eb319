#include "WCnf.h"

TWinCnf::TWinCnf(Dataset* dataset, QWidget* parent) : TWinSuperPagina(dataset, parent) {
    setObjectName(QStringLiteral("TWinCnf"));
}
