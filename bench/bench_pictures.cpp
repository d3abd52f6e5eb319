// Opening a form whose photograph is a 12-megapixel JPEG until the page shows it: the record is
// opened on the same values again, the picture box reads the stored bytes through its page's hook
// (off the user-interface thread) and is painted. bench_openpicture measures the same in the real
// main window, with a 100-megapixel photograph too and the peak memory of each.
#include "BenchPhotograph.h"
#include "BoundPicture.h"
#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "ImmagineHook.h"
#include "PictureGraphic.h"
#include "TabellaPagina1.h"
#include "TabellaPagina3.h"
#include "WSuperPagina.h"
#include "WebImage.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QTest>

namespace {} // namespace

class BenchPictures : public QObject {
    Q_OBJECT

    Dataset m_ds{QStringLiteral("TblScheda")};
    QByteArray m_jpeg;
    QList<FieldDef> m_columns;
    QList<Dataset::Row> m_rows;

    void openForm(const char* name) {
        m_ds.createDataSet();
        m_ds.append();
        m_ds.fieldByName(QString::fromLatin1(name))->setValue(m_jpeg);
        m_ds.post();
        m_columns = m_ds.columns();
        m_rows = m_ds.rows();
        m_ds.close();
    }

    void measure(TWinSuperPagina* page, BoundPicture* box) {
        page->resize(900, 700);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page));
        // The picture is decoded off the user-interface thread: the round ends when it shows.
        auto openUntilShown = [&] {
            m_ds.open(m_columns, m_rows, 2);
            while (!box->hasPicture() && box->decoding())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            box->repaint();
        };
        QBENCHMARK {
            openUntilShown();
            m_ds.close();
        }
        openUntilShown();
        QCOMPARE(box->graphic().naturalSize(), QSize(4000, 3000));
        QCOMPARE(box->graphic().bytes(), m_jpeg);
        m_ds.close();
    }

private slots:
    void initTestCase() {
        m_ds.createFields(SchemaScheda());
        connect(&m_ds, &Dataset::newRecord, this, [](Dataset* d) { TblSchedaNewRecord(d); });
        m_jpeg = PhotographJpeg(QSize(4000, 3000));
        qInfo("JPEG of 4000 x 3000 pixels, %lld bytes", qlonglong(m_jpeg.size()));
    }

    // The decoding alone.
    void decodeJpeg() {
        QBENCHMARK {
            const PictureGraphic g = PictureGraphic::decode(PictureFormat::Jpeg, m_jpeg);
            QCOMPARE(g.image().width(), 4000);
        }
    }

    // Page 1: the hook hands the bytes to the invisible decoder, the box shows its picture.
    void openFormPage1() {
        openForm("S1_FotocopiaAggregato");
        TWinSuperPagina page(&m_ds);
        page.buildControls(TabellaPagina1());
        auto* box = qobject_cast<BoundPicture*>(page.control(QStringLiteral("ImgS1_FotocopiaAggregato")));
        box->setGraphicClassHook(ImmagineGetGraphicClassPagina1(
            qobject_cast<TWebImage*>(page.control(QStringLiteral("WebImage1")))));
        page.SbPg()->ensureWidgetVisible(box);
        measure(&page, box);
    }

    // Page 3: the box reads the bytes itself.
    void openFormPage3() {
        openForm("S9_Foto");
        TWinSuperPagina page(&m_ds);
        page.buildControls(TabellaPagina3());
        auto* box = qobject_cast<BoundPicture*>(page.control(QStringLiteral("ImgS9_Foto")));
        box->setGraphicClassHook(ImmagineGetGraphicClassPagina3);
        page.SbPg()->ensureWidgetVisible(box);
        measure(&page, box);
    }
};

QTEST_MAIN(BenchPictures)
#include "bench_pictures.moc"
