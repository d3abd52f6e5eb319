#pragma once

#include <QString>
#include <QStringList>

class QListWidget;
class QListWidgetItem;

// The list of form files shown by the open and the send dialog. Each item shows the name as a
// person reads it and keeps the name by which the file opens (the two differ for a name that is
// not UTF-8). A folder that cannot be read shows its message as the one item, which cannot be
// chosen.
void RiempiElencoSchede(QListWidget* lista, const QStringList& nomi, const QString& errore = QString());
// The file name an item stands for; empty for the message item.
QString NomeSchedaElencata(const QListWidgetItem* item);
