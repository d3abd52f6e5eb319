#include "ElencoSchede.h"

#include "NativePath.h"

#include <QListWidget>

namespace {
constexpr int kNomeFile = Qt::UserRole + 1;
}

void RiempiElencoSchede(QListWidget* lista, const QStringList& nomi, const QString& errore) {
    for (const QString& nome : nomi) {
        auto* item = new QListWidgetItem(NativePath::display(nome), lista);
        item->setData(kNomeFile, nome);
    }
    if (!errore.isEmpty()) {
        auto* item = new QListWidgetItem(errore, lista);
        item->setFlags(Qt::ItemIsEnabled);
        item->setForeground(Qt::darkRed);
    }
}

QString NomeSchedaElencata(const QListWidgetItem* item) {
    return item ? item->data(kNomeFile).toString() : QString();
}
