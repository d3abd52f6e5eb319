#include "Dataset.h"
#include "ExeDir.h"
#include "ScriptedPrompter.h"
#include "Servizi.h"
#include "TabellaPagina1.h"
#include "TabellaPagina2.h"
#include "TabellaPagina3.h"
#include "VarnoError.h"
#include "WMain.h"
#include "WPagina1.h"
#include "WPagina2.h"
#include "WPagina3.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <array>

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { SetExeDir(m_dir.path()); }

    void startState() {
        TWinMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.centralWidget()->size(), QSize(992, 646 - 19));
        QVERIFY(!w.PgCtrl()->isVisible());
        QVERIFY(!w.TblScheda()->active());
        QVERIFY(!w.mnSalva()->isEnabled());
        QVERIFY(!w.mnChiudi()->isEnabled());
        for (QAction* a : {w.mnNuovo(), w.mnApri(), w.mnInvia(), w.mnEsci()})
            QVERIFY(a->isEnabled());
        QCOMPARE(w.PgCtrl()->geometry(), QRect(22, 89, 950, 529));
        QCOMPARE(w.PgCtrl()->tabPosition(), QTabWidget::South);
        QCOMPARE(w.PgCtrl()->count(), 4);
        QVERIFY(!w.PgCtrl()->isTabVisible(0));
        QCOMPARE(w.PgCtrl()->tabText(0), QStringLiteral("Configurazione"));
        QStringList visible;
        for (int i = 0; i < w.PgCtrl()->count(); ++i)
            if (w.PgCtrl()->isTabVisible(i))
                visible << w.PgCtrl()->tabText(i);
        QCOMPARE(visible, (QStringList{"Pagina 1", "Pagina 2", "Pagina 3"}));
    }

    // The header logo's lettering ends well before the window's right edge: no column of the
    // last eight differs from the background at the edge.
    void logoKeepsAMarginOnTheRight() {
        const QImage logo = QImage(QStringLiteral(":/header/logo.gif")).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(logo.size(), QSize(174, 80));
        int rightmost = -1;
        for (int y = 0; y < logo.height(); ++y) {
            const int edge = qGray(logo.pixel(logo.width() - 1, y));
            for (int x = 0; x < logo.width(); ++x)
                if (qAbs(qGray(logo.pixel(x, y)) - edge) > 40)
                    rightmost = qMax(rightmost, x);
        }
        QVERIFY2(rightmost >= 140 && rightmost < 174 - 8, qPrintable(QString::number(rightmost)));
    }

    void menuCaptions() {
        TWinMain w;
        QMenu* file = w.menuBar()->findChild<QMenu*>(QStringLiteral("mnFile"));
        QVERIFY(file);
        QCOMPARE(file->title(), QStringLiteral("File"));
        QStringList captions;
        for (QAction* a : file->actions()) {
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
            QVERIFY(a->shortcut().isEmpty());
        }
        QCOMPARE(captions, (QStringList{"Nuovo", "Apri ...", "Salva", "Chiudi", "Stampa ...",
                                        "Esporta PDF ...", "-", "Invia ...", "-", "Esci"}));
    }

    void pageControlFollowsHeightOnly() {
        TWinMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.AggiornaComandi();
        w.resize(w.width() + 200, w.height() + 100);
        QTRY_COMPARE(w.PgCtrl()->height(), 629);
        QCOMPARE(w.PgCtrl()->width(), 950);
        // The centre keeps its share of the width.
        const double share = (22 + 475) / 992.0;
        QVERIFY(qAbs(w.PgCtrl()->geometry().center().x() + 0.5 - share * w.centralWidget()->width()) <= 1.0);
        w.resize(w.width() - 400, w.height() - 200);
        QTRY_COMPARE(w.PgCtrl()->height(), 429);
        QCOMPARE(w.PgCtrl()->width(), 950);
    }

    void openFormShowsPages() {
        TWinMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.TblScheda()->createDataSet();
        w.TblScheda()->append();
        w.TblScheda()->post();
        w.ResetPagine();
        w.AggiornaComandi();
        QVERIFY(w.PgCtrl()->isVisible());
        QCOMPARE(w.PgCtrl()->currentIndex(), 1);
        QVERIFY(w.mnSalva()->isEnabled());
        QVERIFY(w.mnChiudi()->isEnabled());
        QCOMPARE(w.TblScheda()->fieldByName("S8_TipoVisitaNonEseguita")->asString(), QStringLiteral("a"));
    }

    // The pages are built once the window is on screen, without being asked, each in its sheet
    // with every control of its table.
    void pagesBuiltAfterTheWindowShows() {
        TWinMain w;
        QVERIFY(!w.PagineCostruite());
        QVERIFY(!w.findChild<TWinPagina1*>());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY(w.PagineCostruite());
        const std::array<std::pair<TWinSuperPagina*, qsizetype>, 3> pages = {
            std::pair<TWinSuperPagina*, qsizetype>{w.Pagina1(), TabellaPagina1().size()},
            {w.Pagina2(), TabellaPagina2().size()},
            {w.Pagina3(), TabellaPagina3().size()}};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(pages[i].first->parentWidget(), w.PgCtrl()->widget(i + 1));
            QCOMPARE(pages[i].first->controlList().size(), pages[i].second);
            QVERIFY(!pages[i].first->PageBackground()->pixmap().isNull());
        }
        QCOMPARE(w.findChildren<TWinPagina2*>().size(), 1); // built once
    }

    // A form opened before the pages exist (the window never shown) finds them complete, showing
    // its record, as soon as the page control shows; New builds them too.
    void formOpenedBeforeThePagesAreBuilt() {
        {
            TWinMain w;
            Dataset* ds = w.TblScheda();
            ds->createDataSet();
            ds->append();
            ds->fieldByName("S1_Squadra")->setAsString(QStringLiteral("B07"));
            ds->fieldByName("S3_TM_A1")->setValue(true);
            ds->post();
            QVERIFY(!w.PagineCostruite());
            w.AggiornaComandi();
            QVERIFY(w.PagineCostruite());
            QCOMPARE(qobject_cast<QLineEdit*>(w.Pagina1()->control("EdS1_Squadra"))->text(),
                     QStringLiteral("B07"));
            QCOMPARE(qobject_cast<QCheckBox*>(w.Pagina2()->control("ChkS3_TM_A1"))->checkState(),
                     Qt::Checked);
        }
        {
            TWinMain w;
            ScriptedPrompter prompter;
            w.NuovaScheda();
            QVERIFY(w.PagineCostruite());
            QCOMPARE(qobject_cast<QCheckBox*>(w.Pagina2()->control("ChkS3_TM_A1"))->checkState(),
                     Qt::Unchecked);
        }
    }

    void messaggioGivesFocusBack() {
        TWinMain w;
        auto* edit = new QLineEdit(w.centralWidget());
        edit->setGeometry(10, 100, 100, 20);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        ScriptedPrompter prompter;
        prompter.answers = {MB::IdNo};
        // The box takes the focus while it is shown.
        prompter.whileShown = [&] { w.menuBar()->setFocus(); };
        const int r = Messaggio(QStringLiteral("Domanda?"), QStringLiteral("ATTENZIONE!!!"), 36);
        QCOMPARE(r, MB::IdNo);
        QCOMPARE(prompter.shown.size(), 1);
        QCOMPARE(prompter.shown[0].flags, 36 | 0x2000 | 0x40000);
        QTRY_VERIFY(edit->hasFocus());
    }

    void esciClosesWindow() {
        TWinMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.mnEsci()->trigger();
        QVERIFY(w.isVisible()); // the close is posted, not run inside the command
        QTRY_VERIFY(!w.isVisible());
    }

    void errorEscapingACommandIsShown() {
        TWinMain w;
        ScriptedPrompter prompter;
        bool after = false;
        w.runCommand([&] {
            throw VarnoError(QStringLiteral("Cannot open file \"x\". No such file"));
            after = true;
        });
        QVERIFY(!after);
        QCOMPARE(prompter.shown.size(), 1);
        QCOMPARE(prompter.shown[0].text, QStringLiteral("Cannot open file \"x\". No such file"));
        QCOMPARE(prompter.shown[0].flags & 0xF0, 0x10);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
