#pragma once

#include "FieldDef.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <vector>

class CsvWriter;
class Dataset;

// The table of forms for the office: a header row "File", "Cartella" and the field names of the
// form record in record order, then one row per form with its values as the form holds them.
// Rows go straight to the writer; the table keeps nothing of a form once its row is written.
class TabellaSchede {
public:
    // A picture of a written row, for whoever keeps picture files beside the table.
    struct Immagine {
        QString campo;
        QByteArray dati; // the picture file's bytes
    };

    explicit TabellaSchede(CsvWriter& out);

    void scriviIntestazione();
    // One row per record of a loaded form: the file name, its folder's name, then each field of
    // the form record by name (a field the file lacks is an empty cell). The pictures of the rows
    // are appended to *immagini when it is given. Returns the number of rows written.
    int scriviRighe(const QString& nomeFile, const QString& cartella, const Dataset& scheda,
                    QList<Immagine>* immagini = nullptr);

    // A value in the table: texts decoded from Windows-1252 (a text ends at a zero byte, a memo is
    // whole), numbers in decimal, booleans 1 and 0, dates yyyy-MM-dd with " hh:mm:ss" (and
    // ".zzz" when there are milliseconds) unless the time is midnight, pictures as their format
    // and size ("JPEG 123456"), null as the empty text.
    static QString testoValore(FieldKind kind, const QVariant& value);
    // "JPEG 123456": the format of the stored picture and the size of the picture file.
    static QString descrizioneImmagine(const QByteArray& stored);
    // The picture file inside stored bytes (a legacy 8-byte header is not part of it).
    static QByteArray datiImmagine(const QByteArray& stored);
    // The name of a picture's file: the form file's name without its extension, "_", the field,
    // and the extension of the picture's format ("Sq12_n0007_(05-03-2009)_S9_Foto.jpg").
    static QString nomeFileImmagine(const QString& nomeFileScheda, const QString& campo,
                                    const QByteArray& dati);

private:
    void mappaColonne(const Dataset& scheda);

    CsvWriter& m_out;
    std::vector<int> m_colonna; // for each field of the form record, its column in the form, or -1
    QList<QString> m_nomiVisti; // the column names m_colonna was made for
};
