#include "BoundControl.h"
#include "BoundEdit.h"
#include "Dataset.h"
#include "ExeDir.h"
#include "FormStore.h"
#include "PdfTools.h"
#include "ScriptedPrompter.h"
#include "WMain.h"
#include "WPagina1.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

class TestStampaMenu : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    static BoundEdit* edit(TWinSuperPagina* page, const char* fieldName) {
        for (QWidget* c : page->controlList())
            if (auto* b = dynamic_cast<BoundEdit*>(c); b && b->dataField() == QLatin1String(fieldName))
                return b;
        qFatal("no edit on %s", fieldName);
    }

    static Field* f(TWinMain& w, const char* name) {
        return w.TblScheda()->fieldByName(QString::fromLatin1(name));
    }

    // A new form with squad 12 and number 0007 of 5 March 2009, then text typed into the
    // municipality box, which keeps the focus: the value is not in the record yet.
    static BoundEdit* formBeingTyped(TWinMain& w, const QString& typed) {
        w.NuovaScheda();
        f(w, "S1_Squadra")->setAsString(QStringLiteral("12"));
        f(w, "S1_SchedaN")->setAsString(QStringLiteral("0007"));
        f(w, "S1_Data")->setValue(QDateTime(QDate(2009, 3, 5), QTime(0, 0), Qt::UTC));
        f(w, "S1_Comune")->setAsString(QStringLiteral("Prima"));
        w.TblScheda()->post();
        BoundEdit* c = edit(w.Pagina1(), "S1_Comune");
        w.PgCtrl()->setCurrentWidget(w.Pagina1()->parentWidget());
        c->setFocus(Qt::MouseFocusReason);
        c->selectAll();
        for (QChar ch : typed)
            QTest::sendKeyEvent(QTest::Click, c, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        return c;
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        SetExeDir(m_dir->path());
    }

    void cleanup() { TWinMain::setDialogoStampa(nullptr); }

    void menuItemsAfterChiudiWhileAFormIsOpen() {
        TWinMain w;
        ScriptedPrompter p;
        QMenu* file = w.menuBar()->findChild<QMenu*>(QStringLiteral("mnFile"));
        QVERIFY(file);
        QStringList texts;
        for (QAction* a : file->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(texts.mid(0, 7),
                 (QStringList{QStringLiteral("Nuovo"), QStringLiteral("Apri ..."), QStringLiteral("Salva"),
                              QStringLiteral("Chiudi"), QStringLiteral("Stampa ..."),
                              QStringLiteral("Esporta PDF ..."), QStringLiteral("-")}));
        QVERIFY(!w.mnStampa()->isEnabled() && !w.mnEsportaPdf()->isEnabled());
        w.NuovaScheda();
        QVERIFY(w.mnStampa()->isEnabled() && w.mnEsportaPdf()->isEnabled());
        p.answers = {MB::IdNo};
        QVERIFY(w.ChiudiScheda());
        QVERIFY(!w.mnStampa()->isEnabled() && !w.mnEsportaPdf()->isEnabled());
    }

    void exportPrintsTheTypedValueAndChangesNothing() {
        TWinMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ScriptedPrompter p;
        BoundEdit* c = formBeingTyped(w, QStringLiteral("Paganica là"));
        QVERIFY(c->hasFocus() && c->modified());
        const int changes = w.TblScheda()->changeCount();
        const auto state = w.TblScheda()->state();

        const QString out = m_dir->filePath(QStringLiteral("esportata.pdf"));
        p.fileNames = {out};
        w.mnEsportaPdf()->trigger();
        QCOMPARE(p.shown.size(), 0);
        // A new form: the name Save would give, among the documents.
        QCOMPARE(p.proposed, QStringList{QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                                         QStringLiteral("/Sq12_n0007_(05-03-2009).pdf")});
        QCOMPARE(pdf::pages(out), 3);
        const QStringList pages = pdf::texts(out);
        QVERIFY(pages.value(0).contains(QStringLiteral("Paganica là")));
        QVERIFY(!pages.value(0).contains(QStringLiteral("Prima")));
        QVERIFY(pages.value(0).contains(QStringLiteral("Sq12_n0007_(05-03-2009).VARNO")));

        // The record is as it was, and the typing goes on where it was.
        QCOMPARE(f(w, "S1_Comune")->asString(), QStringLiteral("Prima"));
        QCOMPARE(w.TblScheda()->changeCount(), changes);
        QCOMPARE(w.TblScheda()->state(), state);
        QVERIFY(c->hasFocus() && c->modified());
        QCOMPARE(c->text(), QStringLiteral("Paganica là"));
        QTest::sendKeyEvent(QTest::Click, c, Qt::Key_unknown, QStringLiteral("!"), Qt::NoModifier);
        QVERIFY(w.SalvaScheda());
        QCOMPARE(f(w, "S1_Comune")->asString(), QStringLiteral("Paganica là!"));

        // A saved form: the PDF is proposed beside its file.
        p.fileNames = {QString()}; // cancelled
        w.mnEsportaPdf()->trigger();
        QCOMPARE(p.proposed.value(1),
                 CartellaDaInviare(ExeDir()) + QStringLiteral("Sq12_n0007_(05-03-2009).pdf"));
    }

    void printGoesThroughThePrintDialog() {
        TWinMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ScriptedPrompter p;
        formBeingTyped(w, QStringLiteral("Onna"));
        const QString out = m_dir->filePath(QStringLiteral("stampata.pdf"));
        int asked = 0;
        bool accept = false;
        TWinMain::setDialogoStampa([&](QWidget*, QPrinter& printer) {
            ++asked;
            // The printer comes set for A4 portrait.
            if (printer.pageLayout().pageSize().id() != QPageSize::A4 ||
                printer.pageLayout().orientation() != QPageLayout::Portrait)
                return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(out);
            return accept;
        });
        w.mnStampa()->trigger();
        QCOMPARE(asked, 1);
        QVERIFY(!QFile::exists(out)); // cancelled
        accept = true;
        w.mnStampa()->trigger();
        QCOMPARE(asked, 2);
        QCOMPARE(pdf::pages(out), 3);
        QVERIFY(pdf::texts(out).value(0).contains(QStringLiteral("Onna")));
        QCOMPARE(f(w, "S1_Comune")->asString(), QStringLiteral("Prima"));
        QCOMPARE(p.shown.size(), 0);
    }

    void refusedTextStopsBeforeAsking() {
        TWinMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ScriptedPrompter p;
        w.NuovaScheda();
        const QVariant before = f(w, "S2_Occupanti")->value();
        BoundEdit* c = edit(w.Pagina1(), "S2_Occupanti");
        w.PgCtrl()->setCurrentWidget(w.Pagina1()->parentWidget());
        c->setFocus(Qt::MouseFocusReason);
        for (QChar ch : QStringLiteral("99999999999"))
            QTest::sendKeyEvent(QTest::Click, c, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        const QString out = m_dir->filePath(QStringLiteral("mai.pdf"));
        p.fileNames = {out};
        w.mnEsportaPdf()->trigger();
        QCOMPARE(p.shown.size(), 1);
        QVERIFY(p.shown[0].text.contains(QStringLiteral("is not a valid value for field 'S2_Occupanti'")));
        QVERIFY(p.proposed.isEmpty());
        QVERIFY(!QFile::exists(out));
        QCOMPARE(f(w, "S2_Occupanti")->value(), before);
        QVERIFY(c->hasFocus());
    }
};

QTEST_MAIN(TestStampaMenu)
#include "tst_stampamenu.moc"
