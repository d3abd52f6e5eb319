#pragma once

#include <QDate>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

class Dataset;
class QPagedPaintDevice;
class QPainter;
struct ControlDef;

// A printed survey form: the three pages of the paper form drawn as vector graphics by the same
// code that draws the page pictures, with the value of every bound control of the record in its
// box, as the controls show it, and nothing interactive. One sheet per page, the page scaled to
// fit inside the sheet's margins, and under it a footer line with the file name, "Pagina N di 3"
// and the date of printing. Texts stay texts on the device.
class StampaScheda {
public:
    // Draws onto the device, whose page layout the caller has set (see impostaPagina). Nothing is
    // drawn until the first form is added.
    explicit StampaScheda(QPagedPaintDevice* device, const QDate& dataStampa = QDate::currentDate());
    ~StampaScheda();
    StampaScheda(const StampaScheda&) = delete;
    StampaScheda& operator=(const StampaScheda&) = delete;

    // A4 portrait with 10 mm margins.
    static void impostaPagina(QPagedPaintDevice& device);

    // Adds the three sheets of one form: the current record of the dataset, under the given file
    // name. Raises VarnoError when the device cannot be painted on.
    void aggiungi(const Dataset& scheda, const QString& nomeFile);
    // Ends the painting; false when the device reports a failure.
    bool fine();
    int fogli() const { return m_fogli; }

    // One page of the form (1 to 3) in page coordinates, through a painter whose transformation
    // maps them onto its device: the printed page, then the values of the record.
    static void disegnaPagina(QPainter& painter, int pagina, const Dataset& scheda);
    // The height of a page in page coordinates; the width is 900.
    static int altezzaPagina(int pagina);
    // The control table of a page.
    static const QList<ControlDef>& tabella(int pagina);
    // Where page coordinates land on a sheet whose printable area (inside the margins) is `area`,
    // in the same units: the page scaled to fit above the footer line, centred across.
    static QRectF areaPagina(int pagina, const QRectF& area);

    // What a control shows of its field, as text: the display text of edits, spin edits and
    // labels (dates dd/mm/yyyy), the chosen item's text of a choice box; empty for null, for the
    // other kinds and when the record has no such field.
    static QString testoControllo(const ControlDef& def, const Dataset& scheda);

private:
    QPagedPaintDevice* m_device;
    QDate m_data;
    QPainter* m_painter = nullptr;
    int m_fogli = 0;
};

// Writes forms into one PDF file that replaces `path` only once it is complete. Raises VarnoError
// with an Italian message when the file cannot be written; the earlier file is then unchanged.
class DocumentoPdf {
public:
    explicit DocumentoPdf(const QString& path, const QDate& dataStampa = QDate::currentDate());
    ~DocumentoPdf(); // without chiudi() nothing is written
    DocumentoPdf(const DocumentoPdf&) = delete;
    DocumentoPdf& operator=(const DocumentoPdf&) = delete;

    void aggiungi(const Dataset& scheda, const QString& nomeFile);
    void chiudi();

private:
    struct Impl;
    Impl* d;
};
