#include "TabellaSchede.h"

#include "Cp1252.h"
#include "CsvWriter.h"
#include "Dataset.h"
#include "PictureFormat.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QTime>

namespace {

QString testoData(const QDate& d) {
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

QString testoOra(const QTime& t) {
    return t.toString(t.msec() != 0 ? QStringLiteral("hh:mm:ss.zzz") : QStringLiteral("hh:mm:ss"));
}

} // namespace

TabellaSchede::TabellaSchede(CsvWriter& out) : m_out(out) {}

void TabellaSchede::scriviIntestazione() {
    m_out.fieldUtf8("File");
    m_out.fieldUtf8("Cartella");
    for (const FieldDef& f : SchemaScheda())
        m_out.field(f.name);
    m_out.endRow();
}

void TabellaSchede::mappaColonne(const Dataset& scheda) {
    const QList<FieldDef>& colonne = scheda.columns();
    bool uguali = colonne.size() == m_nomiVisti.size();
    for (qsizetype i = 0; uguali && i < colonne.size(); ++i)
        uguali = colonne[i].name == m_nomiVisti[i];
    if (uguali && !m_colonna.empty())
        return; // the columns of the form before: nearly always those of the form record

    m_nomiVisti.clear();
    QHash<QString, int> perNome;
    for (const FieldDef& c : colonne)
        m_nomiVisti.append(c.name);
    for (qsizetype i = colonne.size() - 1; i >= 0; --i)
        perNome.insert(colonne[i].name, int(i)); // a repeated name: its first column, as columnIndex
    const QList<FieldDef>& schema = SchemaScheda();
    m_colonna.assign(size_t(schema.size()), -1);
    for (qsizetype i = 0; i < schema.size(); ++i)
        m_colonna[size_t(i)] = perNome.value(schema[i].name, -1);
}

int TabellaSchede::scriviRighe(const QString& nomeFile, const QString& cartella, const Dataset& scheda,
                               QList<Immagine>* immagini) {
    mappaColonne(scheda);
    const QList<FieldDef>& colonne = scheda.columns();
    const QList<FieldDef>& schema = SchemaScheda();
    for (const Dataset::Row& riga : scheda.rows()) {
        m_out.field(nomeFile);
        m_out.field(cartella);
        for (size_t i = 0; i < m_colonna.size(); ++i) {
            const int c = m_colonna[i];
            if (c < 0 || c >= riga.size() || !riga[c].isValid()) {
                m_out.emptyField();
                continue;
            }
            const FieldKind kind = colonne[c].kind;
            m_out.field(testoValore(kind, riga[c]));
            if (immagini && (kind == FieldKind::Graphic || kind == FieldKind::Blob))
                immagini->append({schema[qsizetype(i)].name, datiImmagine(riga[c].toByteArray())});
        }
        m_out.endRow();
    }
    return int(scheda.rows().size());
}

QString TabellaSchede::testoValore(FieldKind kind, const QVariant& value) {
    if (!value.isValid())
        return {};
    switch (kind) {
    case FieldKind::String: {
        const QByteArray b = value.toByteArray();
        const qsizetype zero = b.indexOf('\0');
        return Cp1252::decode(zero >= 0 ? b.left(zero) : b);
    }
    case FieldKind::Memo:
        return Cp1252::decode(value.toByteArray());
    case FieldKind::Graphic:
    case FieldKind::Blob:
        return descrizioneImmagine(value.toByteArray());
    case FieldKind::Boolean:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case FieldKind::DateTime: {
        const QDateTime dt = value.toDateTime();
        QString s = testoData(dt.date());
        if (dt.time() != QTime(0, 0))
            s += u' ' + testoOra(dt.time());
        return s;
    }
    case FieldKind::Date:
        return testoData(value.toDate());
    case FieldKind::Time:
        return testoOra(value.toTime());
    case FieldKind::Float:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case FieldKind::WideString:
        return value.toString();
    case FieldKind::AutoInc:
    case FieldKind::SmallInt:
    case FieldKind::Integer:
    case FieldKind::LargeInt:
        break;
    }
    return QString::number(value.toLongLong());
}

QByteArray TabellaSchede::datiImmagine(const QByteArray& stored) {
    return SkipLegacyHeader(stored);
}

QString TabellaSchede::descrizioneImmagine(const QByteArray& stored) {
    const QByteArray dati = datiImmagine(stored);
    QString formato = PictureFormatName(DetectPictureFormat(dati), dati);
    if (formato.isEmpty())
        formato = QStringLiteral("BIN"); // bytes of no picture format we know
    return formato + u' ' + QString::number(dati.size());
}

QString TabellaSchede::nomeFileImmagine(const QString& nomeFileScheda, const QString& campo,
                                        const QByteArray& dati) {
    QString estensione = DefaultExtension(DetectPictureFormat(dati), dati);
    if (estensione.isEmpty())
        estensione = QStringLiteral("bin");
    return QFileInfo(nomeFileScheda).completeBaseName() + u'_' + campo + u'.' + estensione;
}
