#include "PdfTools.h"
#include "PictureGraphic.h"
#include "RunVarnotool.h"
#include "TabellaPagina1.h"
#include "TabellaPagina2.h"
#include "TabellaPagina3.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

Field* fld(Dataset& ds, const char* name) {
    return ds.fieldByName(QString::fromLatin1(name));
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray jpeg(const QImage& image, int quality = 85) {
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    QImageWriter w(&b, "jpeg");
    w.setQuality(quality);
    w.write(image);
    return bytes;
}

const QList<ControlDef>& table(int page) {
    return StampaScheda::tabella(page);
}

// Every field shown by a control that holds a value: its first control (labels repeat fields of
// page 1).
struct Shown {
    int page;
    ControlDef def;
};
QList<Shown> valueControls() {
    QList<Shown> list;
    QSet<QString> seen;
    for (int page = 1; page <= 3; ++page)
        for (const ControlDef& d : table(page)) {
            if (d.field.isEmpty() || d.kind == ControlKind::PushButton || d.kind == ControlKind::WebImage ||
                d.kind == ControlKind::Label || seen.contains(d.field))
                continue;
            seen.insert(d.field);
            list << Shown{page, d};
        }
    return list;
}

// A value for the control that shows as something: a short text, the last item, a tick.
void fill(Dataset& ds, const ControlDef& d) {
    Field* f = ds.fieldByName(d.field);
    switch (d.kind) {
    case ControlKind::Edit:
        if (isIntegerKind(f->kind()))
            f->setValue(7);
        else
            f->setAsString(QString(std::min(f->size(), 3), u'W'));
        break;
    case ControlKind::SpinEdit:
        f->setValue(5);
        break;
    case ControlKind::DateEdit:
        f->setValue(QDateTime(QDate(2009, 4, 6), QTime(0, 0), Qt::UTC));
        break;
    case ControlKind::Memo:
        f->setAsString(QStringLiteral("Testo\r\nsu due righe"));
        break;
    case ControlKind::CheckBox:
        f->setValue(true);
        break;
    case ControlKind::RadioGroup:
    case ControlKind::ChoiceBox: {
        const QVariant v = d.items.last().value;
        if (v.typeId() == QMetaType::QString)
            f->setAsString(v.toString());
        else if (v.typeId() == QMetaType::Bool && f->kind() != FieldKind::Boolean)
            f->setAsString(MatchText(v));
        else
            f->setValue(v);
        break;
    }
    case ControlKind::Picture: {
        QImage img(120, 90, QImage::Format_RGB32);
        img.fill(QColor(30, 60, 90));
        f->setValue(PictureGraphic::fromImage(img, PictureFormat::Png).bytes());
        break;
    }
    default:
        break;
    }
}

} // namespace

class TestStampa : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Saves the record as a form file and prints it through varnotool; the PDF's path.
    QString printed(Dataset& ds, const QString& name) {
        ds.checkBrowseMode();
        ds.saveToFile(path(name + QStringLiteral(".VARNO")));
        const Run r = varnotool({QStringLiteral("pdf"), name + QStringLiteral(".VARNO"),
                                 QStringLiteral("--out"), name + QStringLiteral(".pdf")},
                                m_dir.path());
        if (r.status != 0)
            qWarning("varnotool pdf: %s", r.err.constData());
        return r.status == 0 ? path(name + QStringLiteral(".pdf")) : QString();
    }

private slots:
    void initTestCase() {
        if (pdf::run(QStringLiteral("pdfinfo"), {QStringLiteral("-v")}).status < 0)
            QFAIL("pdfinfo, pdftotext, pdftoppm and pdfimages (poppler-utils) are needed");
    }

    void threeA4PagesEveryTextOnItsPage() {
        auto ds = pdf::newRecord();
        fld(*ds, "S1_Squadra")->setAsString(QStringLiteral("Q7"));
        fld(*ds, "S1_SchedaN")->setAsString(QStringLiteral("0042"));
        fld(*ds, "S1_Data")->setValue(QDateTime(QDate(2009, 4, 6), QTime(14, 30), Qt::UTC));
        fld(*ds, "S1_IstatProv")->setAsString(QStringLiteral("066"));
        fld(*ds, "S1_IstatComune")->setAsString(QStringLiteral("049"));
        fld(*ds, "S1_Comune")->setAsString(QStringLiteral("Città di Sant'Eusanio"));
        fld(*ds, "S1_Via")->setAsString(QStringLiteral("Piazza Duomo"));
        fld(*ds, "S1_DenominazioneEdificio")->setAsString(QStringLiteral("Palazzo Ventò"));
        fld(*ds, "S2_EtaCostruzione")->setValue(3);
        fld(*ds, "S2_Occupanti")->setValue(12345);
        fld(*ds, "S8_AccuratezzaVisita")->setValue(2);
        fld(*ds, "S8_NumeroPersoneEvaquate")->setValue(321);
        fld(*ds, "S9_Annotazioni")
            ->setAsString(QStringLiteral("Lesioni diffuse perché il solaio è crollato\r\nseconda riga"));
        fld(*ds, "S9_Compilatore")->setAsString(QStringLiteral("Niccolò Bärtschi"));
        const QString file = printed(*ds, QStringLiteral("testi"));
        QVERIFY(!file.isEmpty());

        QCOMPARE(pdf::pages(file), 3);
        for (const QString& size : pdf::pageSizes(file)) {
            // A4 in points.
            const QStringList wh = size.split(QStringLiteral(" x "));
            QCOMPARE(qRound(wh[0].toDouble()), 595);
            QCOMPARE(qRound(wh[1].toDouble()), 842);
        }
        const QStringList pages = pdf::texts(file);
        QCOMPARE(pages.size(), 3);
        const auto only = [&](int page, const QString& text) {
            for (int i = 0; i < 3; ++i)
                if (pages[i].contains(text) != (i == page - 1))
                    return false;
            return true;
        };
        QVERIFY(only(1, QStringLiteral("Città di Sant'Eusanio")));
        QVERIFY(only(1, QStringLiteral("Piazza Duomo")));
        QVERIFY(only(1, QStringLiteral("Palazzo Ventò")));
        QVERIFY(only(1, QStringLiteral("dal 1946 al 1961"))); // the chosen item's text
        QVERIFY(only(1, QStringLiteral("12345")));
        QVERIFY(only(3, QStringLiteral("2 Parziale")));
        QVERIFY(only(3, QStringLiteral("321")));
        QVERIFY(only(3, QStringLiteral("perché il solaio è crollato")));
        QVERIFY(only(3, QStringLiteral("seconda riga")));
        QVERIFY(only(3, QStringLiteral("Niccolò Bärtschi")));
        // The header band of pages 2 and 3 repeats the identification; the date alone, without
        // its time of day.
        for (int i = 0; i < 3; ++i) {
            QVERIFY2(pages[i].contains(QStringLiteral("06/04/2009")), qPrintable(QString::number(i)));
            QVERIFY(!pages[i].contains(QStringLiteral("14:30")));
            QVERIFY(pages[i].contains(QStringLiteral("Q7")));
            QVERIFY(pages[i].contains(QStringLiteral("0042")));
            // The footer: file name, page number, date of printing.
            QVERIFY(pages[i].contains(QStringLiteral("testi.VARNO")));
            QVERIFY(pages[i].contains(QStringLiteral("Pagina %1 di 3").arg(i + 1)));
            QVERIFY(pages[i].contains(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"))));
        }
        QVERIFY(pages[1].contains(QStringLiteral("066")) && pages[1].contains(QStringLiteral("049")));
        // The page itself is text too, not a picture of it.
        QVERIFY(pages[1].contains(QStringLiteral("SEZIONE 3")));
        QVERIFY(pdf::images(file).isEmpty());
    }

    // Half of the controls hold a value and half are empty: each filled one leaves ink in its
    // box on the sheet, where the empty form has none, and each empty one leaves its box as on
    // the empty form.
    void inkInTheBoxesOfFilledControlsOnly() {
        const QList<Shown> controls = valueControls();
        QVERIFY(controls.size() > 250);
        // Empty: nothing in any field, and unticked check boxes (a null one shows grey).
        const auto emptyRecord = [&controls] {
            auto ds = pdf::newRecord();
            for (const auto& f : ds->fields())
                if (!f->readOnly())
                    f->clear();
            for (const Shown& s : controls)
                if (s.def.kind == ControlKind::CheckBox)
                    ds->fieldByName(s.def.field)->setValue(false);
            return ds;
        };
        auto empty = emptyRecord();
        auto filled = emptyRecord();
        for (int round = 0; round < 2; ++round) {
            QSet<QString> filledFields;
            for (int i = 0; i < controls.size(); ++i)
                if (i % 2 == round) {
                    fill(*filled, controls[i].def);
                    filledFields.insert(controls[i].def.field);
                }
            const QList<QImage> blank = pdf::raster(printed(*empty, QStringLiteral("vuota")), 100);
            const QList<QImage> sheets =
                pdf::raster(printed(*filled, QStringLiteral("piena%1").arg(round)), 100);
            QCOMPARE(blank.size(), 3);
            QCOMPARE(sheets.size(), 3);
            int inked = 0;
            for (int page = 1; page <= 3; ++page) {
                QList<QRect> filledBoxes;
                const QImage& sheet = sheets[page - 1];
                for (const ControlDef& d : table(page))
                    if (filledFields.contains(d.field))
                        filledBoxes << pdf::onSheet(page, EffectiveRect(d), sheet);
                for (const ControlDef& d : table(page)) {
                    if (d.field.isEmpty() || !d.visible || d.kind == ControlKind::WebImage)
                        continue;
                    // One raster pixel in from the edges: the box's own border is the page's.
                    const QRect box = pdf::onSheet(page, EffectiveRect(d), sheet).adjusted(1, 1, -1, -1);
                    const QString what = QStringLiteral("page %1 %2").arg(page).arg(d.field);
                    if (filledFields.contains(d.field)) {
                        QVERIFY2(pdf::differing(sheet, blank[page - 1], box) > 0,
                                 qPrintable(what + QStringLiteral(" has no ink")));
                        ++inked;
                    } else {
                        // Where a filled neighbour's box overlaps this one, its ink may show.
                        QVERIFY2(pdf::differing(sheet, blank[page - 1], box, filledBoxes) == 0,
                                 qPrintable(what + QStringLiteral(" is not empty")));
                    }
                }
            }
            QVERIFY(inked > 120);
            // The next round fills the other half on an empty record.
            filled = emptyRecord();
        }
    }

    void nullCheckBoxIsGreyAndUnlikeTicked() {
        QList<ControlDef> boxes;
        for (const ControlDef& d : table(2))
            if (d.kind == ControlKind::CheckBox)
                boxes << d;
        QVERIFY(boxes.size() > 2);
        auto ds = pdf::newRecord();
        ds->fieldByName(boxes[0].field)->clear();
        ds->fieldByName(boxes[1].field)->setValue(true);
        const QList<QImage> sheets = pdf::raster(printed(*ds, QStringLiteral("grigio")), 100);
        const QList<QImage> blank = pdf::raster(printed(*pdf::newRecord(), QStringLiteral("spunte")), 100);
        QCOMPARE(sheets.size(), 3);
        QCOMPARE(blank.size(), 3);
        // The darkest of the pixels that differ from the unticked box; 255 where none does.
        auto darkest = [&](const ControlDef& d) {
            const QRect box = pdf::onSheet(2, EffectiveRect(d), sheets[1]);
            int m = 255;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x)
                    if (pdf::differing(sheets[1], blank[1], QRect(x, y, 1, 1)))
                        m = std::min(m, qGray(sheets[1].pixel(x, y)));
            return m;
        };
        const int grey = darkest(boxes[0]), ticked = darkest(boxes[1]), unticked = darkest(boxes[2]);
        QVERIFY2(ticked < 80, qPrintable(QString::number(ticked)));
        QVERIFY2(grey > 90 && grey < 200, qPrintable(QString::number(grey)));
        QCOMPARE(unticked, 255);
    }

    // A 12-megapixel photograph goes into the document at the resolution the paper shows, its
    // proportions kept, inside its box.
    void photographPrintsScaled() {
        QImage photo(4000, 3000, QImage::Format_RGB32);
        photo.fill(QColor(40, 40, 40));
        {
            QPainter p(&photo);
            p.fillRect(QRect(1000, 800, 2000, 1400), QColor(200, 60, 40));
        }
        auto ds = pdf::newRecord();
        fld(*ds, "S9_Foto")->setValue(jpeg(photo));
        QVERIFY(fld(*ds, "S9_Foto")->asBytes().size() > 100000);
        const QString file = printed(*ds, QStringLiteral("foto"));
        QVERIFY(!file.isEmpty());
        const QList<QSize> images = pdf::images(file);
        QCOMPARE(images.size(), 1);
        QVERIFY2(images[0].width() < 1500, qPrintable(QString::number(images[0].width())));
        QCOMPARE(qRound(images[0].width() * 3.0 / images[0].height()), 4);
        QVERIFY(QFileInfo(file).size() < 1500000);

        // On the sheet: as wide as its box (less the border), 3/4 as high, centred.
        const ControlDef* box = nullptr;
        for (const ControlDef& d : table(3))
            if (d.field == QLatin1String("S9_Foto"))
                box = &d;
        QVERIFY(box);
        const QList<QImage> sheets = pdf::raster(file, 100);
        const QList<QImage> blank = pdf::raster(printed(*pdf::newRecord(), QStringLiteral("senzafoto")), 100);
        const QImage& s = sheets.at(2);
        const QRect r = pdf::onSheet(3, EffectiveRect(*box), s);
        // Around the box (the footers differ by their file names).
        const QRect around = r.adjusted(-30, -30, 30, 30);
        QRect ink;
        for (int y = around.top(); y <= around.bottom(); ++y)
            for (int x = around.left(); x <= around.right(); ++x)
                if (pdf::differing(s, blank.at(2), QRect(x, y, 1, 1)))
                    ink |= QRect(x, y, 1, 1);
        QVERIFY2(r.adjusted(-1, -1, 1, 1).contains(ink),
                 qPrintable(QStringLiteral("%1,%2 %3x%4 in %5,%6 %7x%8")
                                .arg(ink.x())
                                .arg(ink.y())
                                .arg(ink.width())
                                .arg(ink.height())
                                .arg(r.x())
                                .arg(r.y())
                                .arg(r.width())
                                .arg(r.height())));
        QVERIFY2(std::abs(ink.width() - r.width()) <= 4,
                 qPrintable(QStringLiteral("%1 %2").arg(ink.width()).arg(r.width())));
        QVERIFY(std::abs(ink.height() - ink.width() * 3 / 4) <= 3);
        QVERIFY(std::abs(ink.center().y() - r.center().y()) <= 2);
    }

    void manyFormsIntoOnePdfInTheirOrder() {
        QStringList args{QStringLiteral("pdf")};
        for (int i = 1; i <= 50; ++i) {
            auto ds = pdf::newRecord();
            fld(*ds, "S1_SchedaN")->setAsString(QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')));
            fld(*ds, "S1_Comune")->setAsString(QStringLiteral("Comune numero %1 di 50").arg(i));
            ds->post();
            const QString name = QStringLiteral("m%1.VARNO").arg(i);
            ds->saveToFile(path(name));
            args << name;
        }
        args << QStringLiteral("--out") << QStringLiteral("tutte.pdf");
        const Run r = varnotool(args, m_dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(pdf::pages(path(QStringLiteral("tutte.pdf"))), 150);
        const QStringList pages = pdf::texts(path(QStringLiteral("tutte.pdf")));
        QCOMPARE(pages.size(), 150);
        for (int i = 1; i <= 50; ++i) {
            QVERIFY(pages[3 * (i - 1)].contains(QStringLiteral("Comune numero %1 di 50").arg(i)));
            QVERIFY(pages[3 * (i - 1)].contains(QStringLiteral("m%1.VARNO").arg(i)));
            QVERIFY(pages[3 * (i - 1) + 2].contains(QStringLiteral("Pagina 3 di 3")));
        }
    }

    void folderGetsOnePdfPerForm() {
        for (const char* n : {"uno", "due"}) {
            auto ds = pdf::newRecord();
            fld(*ds, "S1_Comune")->setAsString(QString::fromLatin1(n).toUpper());
            ds->post();
            ds->saveToFile(path(QString::fromLatin1(n) + QStringLiteral(".VARNO")));
        }
        const Run r =
            varnotool({QStringLiteral("pdf"), QStringLiteral("uno.VARNO"), QStringLiteral("due.VARNO"),
                       QStringLiteral("--out"), QStringLiteral("cartella/")},
                      m_dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(pdf::pages(path(QStringLiteral("cartella/uno.pdf"))), 3);
        QCOMPARE(pdf::pages(path(QStringLiteral("cartella/due.pdf"))), 3);
        QVERIFY(pdf::texts(path(QStringLiteral("cartella/due.pdf"))).first().contains(QStringLiteral("DUE")));
        QVERIFY(
            !pdf::texts(path(QStringLiteral("cartella/due.pdf"))).first().contains(QStringLiteral("UNO")));
    }

    void badInputKeepsTheEarlierPdf() {
        auto ds = pdf::newRecord();
        ds->post();
        ds->saveToFile(path(QStringLiteral("buona.VARNO")));
        QFile bad(path(QStringLiteral("rotta.VARNO")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(readAll(path(QStringLiteral("buona.VARNO"))).left(100));
        bad.close();
        QFile earlier(path(QStringLiteral("out.pdf")));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
        earlier.close();

        // A damaged form among good ones: a clear error naming it, and nothing replaced.
        Run r = varnotool({QStringLiteral("pdf"), QStringLiteral("buona.VARNO"),
                           QStringLiteral("rotta.VARNO"), QStringLiteral("--out"), QStringLiteral("out.pdf")},
                          m_dir.path());
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains("rotta.VARNO"));
        QCOMPARE(readAll(path(QStringLiteral("out.pdf"))), QByteArray("earlier"));
        r = varnotool({QStringLiteral("pdf"), QStringLiteral("manca.VARNO"), QStringLiteral("--out"),
                       QStringLiteral("out.pdf")},
                      m_dir.path());
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains("manca.VARNO"));
        QCOMPARE(readAll(path(QStringLiteral("out.pdf"))), QByteArray("earlier"));
        // A PDF that cannot be written where asked.
        r = varnotool({QStringLiteral("pdf"), QStringLiteral("buona.VARNO"), QStringLiteral("--out"),
                       QStringLiteral("nessuna/cartella/out.pdf")},
                      m_dir.path());
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains("nessuna/cartella/out.pdf"));
        // Usage.
        QCOMPARE(varnotool({QStringLiteral("pdf"), QStringLiteral("buona.VARNO")}, m_dir.path()).status, 2);
        QCOMPARE(
            varnotool({QStringLiteral("pdf"), QStringLiteral("--out"), QStringLiteral("x.pdf")}, m_dir.path())
                .status,
            2);
    }
};

QTEST_GUILESS_MAIN(TestStampa)
#include "tst_stampa.moc"
