#include "BoundCheckBox.h"
#include "BoundChoiceBox.h"
#include "BoundControl.h"
#include "BoundEdit.h"
#include "BoundMemo.h"
#include "BoundRadioGroup.h"
#include "BoundSpinEdit.h"
#include "Dataset.h"
#include "DialogOpenSave.h"
#include "ExeDir.h"
#include "FieldDef.h"
#include "FormStore.h"
#include "IniFile.h"
#include "ScriptedPrompter.h"
#include "Servizi.h"
#include "WMain.h"
#include "WPagina1.h"
#include "WPagina2.h"
#include "WPagina3.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <cstdio>

namespace {

const QString kSaveQuestion = QStringLiteral("Vuoi salvare la scheda prima di chiuderla?");
const QString kOverwrite = QStringLiteral("Il Documento esiste già!\rVuoi sovrascriverlo?");

QString missing(const char* caption) {
    return QStringLiteral("Impossibile salvare il documento!\r\rIl campo \"%1\" non è stato definito")
        .arg(QString::fromUtf8(caption));
}

// Runs `act` on the open dialog as soon as it shows.
void onDialog(const std::function<void(TDlgOpenSave*)>& act) {
    QTimer::singleShot(0, [act] {
        auto* dlg = qobject_cast<TDlgOpenSave*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        act(dlg);
    });
}

} // namespace

class TestDocumenti : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString daInviare() const { return CartellaDaInviare(ExeDir()); }
    QString inviati() const { return CartellaInviati(ExeDir()); }
    QString ini() const { return ExeDir() + QStringLiteral("Varno.Ini"); }

    template <typename T> static T* ctl(TWinSuperPagina* page, const char* fieldName) {
        for (QWidget* c : page->controlList())
            if (auto* b = dynamic_cast<BoundControl*>(c); b && b->dataField() == QLatin1String(fieldName))
                if (auto* t = dynamic_cast<T*>(c))
                    return t;
        qFatal("no control on %s", fieldName);
    }

    // Gives the control the focus on its page, as a click would.
    static void focusOn(TWinMain& w, TWinSuperPagina* page, QWidget* c) {
        w.PgCtrl()->setCurrentWidget(page->parentWidget());
        page->SbPg()->ensureWidgetVisible(c);
        c->setFocus(Qt::MouseFocusReason);
        QVERIFY(c->hasFocus());
    }

    static void typeInto(TWinMain& w, TWinSuperPagina* page, QWidget* c, const QString& text) {
        focusOn(w, page, c);
        // One key event a character, accented letters included.
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, c, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }

    static Field* f(TWinMain& w, const char* name) {
        return w.TblScheda()->fieldByName(QString::fromLatin1(name));
    }

    // A new form with squad 12 and number 0007 of 5 March 2009.
    static void newForm(TWinMain& w) {
        w.NuovaScheda();
        f(w, "S1_Squadra")->setAsString(QStringLiteral("12"));
        f(w, "S1_SchedaN")->setAsString(QStringLiteral("0007"));
        f(w, "S1_Data")->setValue(QDateTime(QDate(2009, 3, 5), QTime(0, 0), Qt::UTC));
        w.TblScheda()->post();
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        SetExeDir(m_dir->path());
    }

    void newThenCloseAsks() {
        TWinMain w;
        ScriptedPrompter p;
        w.NuovaScheda();
        QVERIFY(w.TblScheda()->active());
        QVERIFY(w.NuovaSchedaFlag());
        p.answers = {MB::IdNo};
        QVERIFY(w.ChiudiScheda());
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text, kSaveQuestion);
        QCOMPARE(p.shown[0].caption, QStringLiteral("ATTENZIONE!!!"));
        QCOMPARE(p.shown[0].flags & 0xFF, 35);
        QVERIFY(!w.TblScheda()->active());
        QVERIFY(!w.mnSalva()->isEnabled());
    }

    void newWithNoIniAndNoFoldersSavesAndOpens() {
        TWinMain w;
        ScriptedPrompter p;
        newForm(w);
        QVERIFY(w.SalvaScheda());
        const QString path = daInviare() + QStringLiteral("Sq12_n0007_(05-03-2009).VARNO");
        QVERIFY(QFile::exists(path));
        QVERIFY(p.shown.isEmpty());
        QCOMPARE(w.TblScheda()->changeCount(), 0);
        QVERIFY(!w.NuovaSchedaFlag());
        // The INI file remembers nine values and the next number.
        IniFile file(ini());
        QCOMPARE(file.readString(QStringLiteral("CONFIG"), QStringLiteral("SchedaN")),
                 QStringLiteral("0008"));
        QCOMPARE(file.readString(QStringLiteral("CONFIG"), QStringLiteral("Squadra")), QStringLiteral("12"));
        // Open, then Close without a question.
        QVERIFY(w.ChiudiScheda());
        onDialog([](TDlgOpenSave* d) {
            QCOMPARE(d->LboxSchede()->count(), 1);
            d->LboxSchede()->setCurrentRow(0);
            d->BtnApri()->click();
        });
        w.ApriScheda();
        QVERIFY(w.TblScheda()->active());
        QCOMPARE(f(w, "S1_SchedaN")->asString(), QStringLiteral("0007"));
        QCOMPARE(w.TblScheda()->changeCount(), 0);
        QVERIFY(w.PgCtrl()->isVisibleTo(&w));
        QVERIFY(w.ChiudiScheda());
        QCOMPARE(p.shown.size(), 0);
    }

    void newFormTakesTheRememberedValues() {
        {
            IniFile file(ini());
            file.writeString(QStringLiteral("CONFIG"), QStringLiteral("Squadra"), QStringLiteral("7"));
            file.writeString(QStringLiteral("CONFIG"), QStringLiteral("SchedaN"), QStringLiteral("10000"));
            file.writeString(QStringLiteral("CONFIG"), QStringLiteral("Comune"), QStringLiteral("Paganica"));
        }
        TWinMain w;
        ScriptedPrompter p;
        w.NuovaScheda();
        QCOMPARE(f(w, "S1_Squadra")->asString(), QStringLiteral("7"));
        QCOMPARE(f(w, "S1_SchedaN")->asString(), QStringLiteral("1000")); // cut to the field's size
        QCOMPARE(f(w, "S1_Comune")->asString(), QStringLiteral("Paganica"));
        QVERIFY(!f(w, "S1_Provincia")->isNull());
    }

    void requiredFields() {
        TWinMain w;
        ScriptedPrompter p;
        w.NuovaScheda();
        f(w, "S1_Squadra")->setAsString(QStringLiteral("   "));
        QVERIFY(!w.SalvaScheda());
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text, missing("Squadra"));
        QCOMPARE(p.shown[0].flags & 0xFF, 16);
        QVERIFY(QDir(daInviare()).entryList(QDir::Files).isEmpty());
        // Both empty: only the first message.
        p.shown.clear();
        f(w, "S1_SchedaN")->setAsString(QString());
        QVERIFY(!w.SalvaScheda());
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text, missing("Squadra"));
        p.shown.clear();
        f(w, "S1_Squadra")->setAsString(QStringLiteral("3"));
        QVERIFY(!w.SalvaScheda());
        QCOMPARE(p.shown[0].text, missing("Scheda N."));
        p.shown.clear();
        f(w, "S1_SchedaN")->setAsString(QStringLiteral("1"));
        f(w, "S1_Data")->clear();
        QVERIFY(!w.SalvaScheda());
        QCOMPARE(p.shown[0].text, missing("Data"));
        QVERIFY(w.TblScheda()->changeCount() > 0);
    }

    void refusedCharactersInTheName() {
        TWinMain w;
        ScriptedPrompter p;
        newForm(w);
        f(w, "S1_SchedaN")->setAsString(QStringLiteral("../x"));
        QVERIFY(!w.SalvaScheda());
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text,
                 QStringLiteral("Impossibile salvare il documento!\r\rIl campo \"Scheda N.\" "
                                "contiene caratteri non ammessi in un nome di file"));
        QCOMPARE(p.shown[0].caption, QStringLiteral("ATTENZIONE!!!"));
        QCOMPARE(p.shown[0].flags & 0xFF, 16);
        QVERIFY(!QDir(daInviare()).exists() || QDir(daInviare()).entryList(QDir::Files).isEmpty());
        QVERIFY(QDir(ExeDir()).entryList(QDir::Files).filter(QStringLiteral("VARNO")).isEmpty());
    }

    void secondSaveAsksToOverwrite() {
        TWinMain w;
        ScriptedPrompter p;
        newForm(w);
        QVERIFY(w.SalvaScheda());
        const QString path = daInviare() + NomeFileScheda(*w.TblScheda());
        const QByteArray before = [&] {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }();
        f(w, "S1_Comune")->setAsString(QStringLiteral("Onna"));
        p.answers = {MB::IdNo};
        QVERIFY(!w.SalvaScheda());
        QCOMPARE(p.shown.last().text, kOverwrite);
        QCOMPARE(p.shown.last().flags & 0xFF, 36);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(w.TblScheda()->changeCount() > 0);
        // Yes writes it; the number is advanced only once, for the new form.
        p.answers = {MB::IdYes};
        QVERIFY(w.SalvaScheda());
        QCOMPARE(IniFile(ini()).readString(QStringLiteral("CONFIG"), QStringLiteral("SchedaN")),
                 QStringLiteral("0008"));
    }

    // Only the first Save of a new form advances the number: saving it again, under another
    // number, or saving a form that was opened leaves SchedaN as it was. The numbers are chosen so
    // that an advance would show (0020 would give 0021, 0030 would give 0031).
    void onlyTheFirstSaveOfANewFormAdvancesTheNumber() {
        TWinMain w;
        ScriptedPrompter p;
        const auto schedaN = [&] {
            return IniFile(ini()).readString(QStringLiteral("CONFIG"), QStringLiteral("SchedaN"));
        };
        newForm(w);
        QVERIFY(w.SalvaScheda());
        QCOMPARE(schedaN(), QStringLiteral("0008"));

        // The same form saved again under a new number.
        f(w, "S1_SchedaN")->setAsString(QStringLiteral("0020"));
        QVERIFY(w.SalvaScheda());
        QVERIFY(QFile::exists(daInviare() + QStringLiteral("Sq12_n0020_(05-03-2009).VARNO")));
        QCOMPARE(schedaN(), QStringLiteral("0008"));
        // And once more unchanged, over its own file.
        p.answers = {MB::IdYes};
        QVERIFY(w.SalvaScheda());
        QCOMPARE(schedaN(), QStringLiteral("0008"));
        QVERIFY(w.ChiudiScheda());

        // Opened, changed and saved over its file, then under a new number.
        onDialog([](TDlgOpenSave* d) {
            const auto items = d->LboxSchede()->findItems(QStringLiteral("Sq12_n0020"), Qt::MatchStartsWith);
            QCOMPARE(items.size(), 1);
            d->LboxSchede()->setCurrentItem(items[0]);
            d->BtnApri()->click();
        });
        w.ApriScheda();
        QCOMPARE(f(w, "S1_SchedaN")->asString(), QStringLiteral("0020"));
        f(w, "S1_Comune")->setAsString(QStringLiteral("Onna"));
        p.answers = {MB::IdYes};
        QVERIFY(w.SalvaScheda());
        QCOMPARE(p.shown.last().text, kOverwrite);
        QCOMPARE(schedaN(), QStringLiteral("0008"));
        f(w, "S1_SchedaN")->setAsString(QStringLiteral("0030"));
        QVERIFY(w.SalvaScheda());
        QCOMPARE(schedaN(), QStringLiteral("0008"));

        // A new form again advances from its own number.
        QVERIFY(w.ChiudiScheda());
        w.NuovaScheda();
        QCOMPARE(f(w, "S1_SchedaN")->asString(), QStringLiteral("0008"));
        f(w, "S1_SchedaN")->setAsString(QStringLiteral("0041"));
        QVERIFY(w.SalvaScheda());
        QCOMPARE(schedaN(), QStringLiteral("0042"));
    }

    // A value refused on leaving its box keeps its box focused and its page shown, whether the
    // user clicks another tab, turns the wheel over the tabs or presses Ctrl+Tab.
    void refusedValueKeepsItsPage() {
        TWinMain w;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        ScriptedPrompter p;
        w.NuovaScheda();
        TWinSuperPagina* p1 = w.Pagina1();
        auto* units = ctl<BoundEdit>(p1, "S2_NUnitaUsoA");
        focusOn(w, p1, units);
        units->selectAll();
        QTest::keyClicks(units, QStringLiteral("40000"));
        const QVariant before = f(w, "S2_NUnitaUsoA")->value();
        const QString range = QStringLiteral(
            "40000 is not a valid value for field 'S2_NUnitaUsoA'. The allowed range is -32768 to 32767");
        QTabBar* bar = w.PgCtrl()->tabBar();

        const auto stillThere = [&](int messages) {
            QCOMPARE(p.shown.size(), messages);
            QCOMPARE(p.shown.last().text, range);
            QCOMPARE(w.PgCtrl()->currentIndex(), 1);
            QVERIFY(p1->isVisible());
            QTRY_VERIFY(units->hasFocus());
            QCOMPARE(units->selectedText(), QStringLiteral("40000"));
            QCOMPARE(f(w, "S2_NUnitaUsoA")->value(), before);
        };
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
        stillThere(1);
        QTest::keyClick(units, Qt::Key_Tab, Qt::ControlModifier);
        stillThere(2);
        QTest::keyClick(units, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        stillThere(3);
        const QPoint at = bar->tabRect(1).center();
        QWheelEvent wheel(at, bar->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &wheel);
        stillThere(4);
        // A click on another control of the page.
        QTest::mouseClick(ctl<BoundEdit>(p1, "S2_NUnitaUsoB"), Qt::LeftButton);
        stillThere(5);

        // Once the value fits, the click on the tab shows page 2.
        QTest::keyClicks(units, QStringLiteral("4"));
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
        QCOMPARE(p.shown.size(), 5);
        QCOMPARE(w.PgCtrl()->currentIndex(), 2);
        QCOMPARE(f(w, "S2_NUnitaUsoA")->value(), QVariant(4));
    }

    // A null number stays empty however often its page is shown; 0 shows as 0.
    void nullNumberStaysEmptyWhenItsPageShows() {
        TWinMain w;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        ScriptedPrompter p;
        w.NuovaScheda();
        f(w, "S8_UnitaImmobiliariInagibili")->clear();
        f(w, "S8_NumeroPersoneEvaquate")->setValue(0);
        w.TblScheda()->post();
        auto* units = ctl<BoundSpinEdit>(w.Pagina3(), "S8_UnitaImmobiliariInagibili");
        auto* people = ctl<BoundSpinEdit>(w.Pagina3(), "S8_NumeroPersoneEvaquate");
        QTabBar* bar = w.PgCtrl()->tabBar();
        for (int round = 0; round < 2; ++round) {
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
            QVERIFY(units->isVisible());
            QCOMPARE(units->text(), QString());
            QCOMPARE(people->text(), QStringLiteral("0"));
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        }
        // Passing through the empty box keeps null.
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
        focusOn(w, w.Pagina3(), units);
        QTest::keyClick(units, Qt::Key_Tab);
        QCOMPARE(units->text(), QString());
        QVERIFY(f(w, "S8_UnitaImmobiliariInagibili")->isNull());
        // Typing into it stores the number.
        focusOn(w, w.Pagina3(), units);
        QTest::keyClicks(units, QStringLiteral("7"));
        QTest::keyClick(units, Qt::Key_Tab);
        QCOMPARE(f(w, "S8_UnitaImmobiliariInagibili")->value(), QVariant(7));
    }

    // Whichever way the focus comes to a control (Tab from the tab bar, Tab along the page, a
    // programmatic focus), the page scrolls it into view.
    void focusScrollsItsControlIntoView() {
        TWinMain w;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        ScriptedPrompter p;
        w.NuovaScheda();
        TWinSuperPagina* p1 = w.Pagina1();
        QScrollBar* vbar = p1->SbPg()->verticalScrollBar();
        const auto inView = [&](QWidget* focused) {
            QWidget* c = focused;
            while (c && c->parentWidget() != p1->surface())
                c = c->parentWidget();
            QVERIFY(c);
            const QRect r(c->mapTo(p1->SbPg()->viewport(), QPoint(0, 0)), c->size());
            QVERIFY2(p1->SbPg()->viewport()->rect().contains(r), qPrintable(c->objectName()));
        };
        vbar->setValue(vbar->maximum());
        QTabBar* bar = w.PgCtrl()->tabBar();
        bar->setFocus(Qt::TabFocusReason);
        QVERIFY(bar->hasFocus());
        QTest::keyClick(bar, Qt::Key_Tab);
        QWidget* first = QApplication::focusWidget();
        QVERIFY(first && p1->surface()->isAncestorOf(first));
        inView(first);
        QVERIFY(vbar->value() < vbar->maximum());

        // Back at the bottom, focus given to a control at the top.
        vbar->setValue(vbar->maximum());
        auto* squad = ctl<BoundEdit>(p1, "S1_Squadra");
        squad->setFocus(Qt::OtherFocusReason);
        inView(squad);
    }

    // The page keys and the wheel over the tabs go through the three pages only: the hidden
    // configuration page is never shown.
    void configurationPageIsNeverReached() {
        TWinMain w;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        ScriptedPrompter p;
        w.NuovaScheda();
        QTabWidget* pg = w.PgCtrl();
        QTabBar* bar = pg->tabBar();
        auto* squad = ctl<BoundEdit>(w.Pagina1(), "S1_Squadra");
        focusOn(w, w.Pagina1(), squad);
        const auto key = [&](Qt::KeyboardModifiers mods) {
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : pg;
            QTest::keyClick(target, mods & Qt::ShiftModifier ? Qt::Key_Backtab : Qt::Key_Tab, mods);
        };
        const auto wheel = [&](int dy) {
            const QPoint at = bar->tabRect(pg->currentIndex()).center();
            QWheelEvent e(at, bar->mapToGlobal(at), {}, {0, dy}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
            QApplication::sendEvent(bar, &e);
        };
        QCOMPARE(pg->currentIndex(), 1);
        key(Qt::ControlModifier | Qt::ShiftModifier); // back from page 1: page 3
        QCOMPARE(pg->currentIndex(), 3);
        key(Qt::ControlModifier); // on from page 3: page 1
        QCOMPARE(pg->currentIndex(), 1);
        key(Qt::ControlModifier);
        QCOMPARE(pg->currentIndex(), 2);
        wheel(120); // up: page 1
        QCOMPARE(pg->currentIndex(), 1);
        wheel(120); // and no further
        QCOMPARE(pg->currentIndex(), 1);
        wheel(-120);
        wheel(-120);
        QCOMPARE(pg->currentIndex(), 3);
        wheel(-120);
        QCOMPARE(pg->currentIndex(), 3);
        QVERIFY(!w.findChild<QWidget*>(QStringLiteral("TsConfigurazione"))->isVisible());
        QVERIFY(p.shown.isEmpty());
    }

    void failedSaveKeepsTheFormChanged() {
        TWinMain w;
        ScriptedPrompter p;
        newForm(w);
        // A folder where the file should go: the write must fail.
        const QString path = daInviare() + QStringLiteral("Sq12_n0007_(05-03-2009).VARNO");
        QVERIFY(QDir().mkpath(path));
        p.answers = {MB::IdYes};
        w.runCommand([&] { w.SalvaScheda(); });
        QCOMPARE(p.shown.size(), 2);
        QVERIFY2(p.shown[1].text.contains(path), qPrintable(p.shown[1].text));
        QVERIFY(w.TblScheda()->changeCount() > 0);
        QVERIFY(w.NuovaSchedaFlag());
        QVERIFY(!QFile::exists(ini()));
        // Closing still asks; a failed save keeps the form open.
        p.shown.clear();
        p.answers = {MB::IdYes, MB::IdYes};
        bool closed = true;
        w.runCommand([&] { closed = w.ChiudiScheda(); });
        QVERIFY(w.TblScheda()->active());
        QCOMPARE(p.shown[0].text, kSaveQuestion);
    }

    void sentFormIsSavedIntoToSend() {
        TWinMain w;
        ScriptedPrompter p;
        newForm(w);
        QVERIFY(w.SalvaScheda());
        const QString name = NomeFileScheda(*w.TblScheda());
        QVERIFY(w.ChiudiScheda());
        QVERIFY(SpostaInInviati(ExeDir(), name));
        onDialog([&](TDlgOpenSave* d) {
            d->ChkShedeInviate()->click();
            QCOMPARE(d->LblSchede()->text(), QStringLiteral("Lista delle Schede Inviate"));
            QCOMPARE(d->LboxSchede()->count(), 1);
            d->LboxSchede()->setCurrentRow(0);
            d->BtnApri()->click();
        });
        w.ApriScheda();
        QVERIFY(w.TblScheda()->active());
        QVERIFY(!w.NuovaSchedaFlag());
        f(w, "S1_Comune")->setAsString(QStringLiteral("Onna"));
        QVERIFY(w.SalvaScheda());
        QVERIFY(QFile::exists(daInviare() + name));
        QVERIFY(QFile::exists(inviati() + name));
        // Only a new form advances the number.
        QCOMPARE(IniFile(ini()).readString(QStringLiteral("CONFIG"), QStringLiteral("SchedaN")),
                 QStringLiteral("0008"));
        // A changed name writes a new file and keeps the old one.
        f(w, "S1_SchedaN")->setAsString(QStringLiteral("0099"));
        QVERIFY(w.SalvaScheda());
        QVERIFY(QFile::exists(daInviare() + name));
        QVERIFY(QFile::exists(daInviare() + QStringLiteral("Sq12_n0099_(05-03-2009).VARNO")));
    }

    void cancelledOpenLeavesNoForm() {
        TWinMain w;
        w.show();
        ScriptedPrompter p;
        newForm(w);
        p.answers = {MB::IdNo};
        onDialog([](TDlgOpenSave* d) { d->BtnChiudi()->click(); });
        w.ApriScheda();
        QVERIFY(!w.TblScheda()->active());
        QVERIFY(!w.PgCtrl()->isVisible());
        QVERIFY(!w.mnChiudi()->isEnabled());
    }

    void cancelOnNewKeepsTheForm() {
        TWinMain w;
        ScriptedPrompter p;
        newForm(w);
        f(w, "S1_Comune")->setAsString(QStringLiteral("Onna"));
        w.TblScheda()->post();
        p.answers = {MB::IdCancel};
        w.NuovaScheda();
        QCOMPARE(f(w, "S1_Comune")->asString(), QStringLiteral("Onna"));
        QVERIFY(w.TblScheda()->changeCount() > 0);
    }

    void esciWithChangesAsksAndCancelKeepsRunning() {
        TWinMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ScriptedPrompter p;
        newForm(w);
        p.answers = {MB::IdCancel};
        w.mnEsci()->trigger();
        QTRY_COMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text, kSaveQuestion);
        QTest::qWait(20);
        QVERIFY(w.isVisible());
        QVERIFY(w.TblScheda()->active());
        // No closes without saving.
        p.answers = {MB::IdNo};
        w.mnEsci()->trigger();
        QTRY_VERIFY(!w.isVisible());
    }

    void openDialog() {
        QDir().mkpath(daInviare());
        QDir().mkpath(inviati());
        for (const QString& n :
             {QStringLiteral("b.VARNO"), QStringLiteral("a.varno"), QStringLiteral("c.txt")}) {
            QFile file(daInviare() + n);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        TDlgOpenSave d(nullptr, true);
        QCOMPARE(d.windowTitle(), QStringLiteral("Apri"));
        QCOMPARE(d.LblSchede()->text(), QStringLiteral("Lista delle Schede da Inviare"));
        QVERIFY(!d.ChkShedeInviate()->isChecked());
        QCOMPARE(d.ChkShedeInviate()->text(), QStringLiteral("Visualizza le Schede Inviate"));
        QCOMPARE(d.BtnApri()->text(), QStringLiteral("&Apri"));
        QCOMPARE(d.BtnChiudi()->text(), QStringLiteral("A&nnulla"));
        QVERIFY(!d.BtnApri()->isDefault() && !d.BtnApri()->autoDefault());
        QCOMPARE(d.LboxSchede()->count(), 2);
        QCOMPARE(d.LboxSchede()->item(0)->text(), QStringLiteral("a.varno"));
        // Apri with nothing selected does nothing.
        d.BtnApri()->click();
        QVERIFY(d.result() != QDialog::Accepted);
        QVERIFY(d.PercorsoScelto().isEmpty());
        // Switching lists.
        d.ChkShedeInviate()->click();
        QCOMPARE(d.LblSchede()->text(), QStringLiteral("Lista delle Schede Inviate"));
        QCOMPARE(d.LboxSchede()->count(), 0);
        d.ChkShedeInviate()->click();
        QCOMPARE(d.LboxSchede()->count(), 2);
        // Esc does nothing by itself.
        d.show();
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(d.isVisible());
        // Double-click gives the full path.
        QListWidgetItem* item = d.LboxSchede()->item(1);
        const QRect r = d.LboxSchede()->visualItemRect(item);
        QTest::mouseClick(d.LboxSchede()->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(d.LboxSchede()->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.PercorsoScelto(), daInviare() + QStringLiteral("b.VARNO"));
    }

    // Entering the list makes its first name current without selecting it; the first Down
    // selects that name, so "Apri" opens it and not the second.
    void openDialogFirstDownSelectsTheFirstName() {
        QDir().mkpath(daInviare());
        for (const char* n : {"a.VARNO", "b.VARNO", "c.VARNO"}) {
            QFile file(daInviare() + QString::fromLatin1(n));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        TDlgOpenSave d(nullptr, true);
        d.show();
        QApplication::setActiveWindow(&d);
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QListWidget* list = d.LboxSchede();
        list->setFocus(Qt::TabFocusReason);
        QVERIFY(list->hasFocus());
        QVERIFY(list->selectedItems().isEmpty());
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->selectedItems().size(), 1);
        QCOMPARE(list->selectedItems()[0]->text(), QStringLiteral("a.VARNO"));
        QCOMPARE(list->currentRow(), 0);
        // Further keys move as usual.
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(list->currentRow(), 0);
        QTest::mouseClick(d.BtnApri(), Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.PercorsoScelto(), daInviare() + QStringLiteral("a.VARNO"));
    }

    // Bold text is drawn bold: the open dialog's title carries clearly more ink than the same
    // text in the regular face.
    void boldTitleIsDrawnBold() {
        TDlgOpenSave d(nullptr, true);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QLabel regular(d.LblSchede()->text(), &d);
        regular.setFont(ProgramFont(11, false));
        regular.setAlignment(d.LblSchede()->alignment());
        regular.setGeometry(d.LblSchede()->geometry());
        regular.show();
        const auto ink = [](QWidget* w) {
            const QImage img = w->grab().toImage();
            const int background = qGray(img.pixel(0, 0));
            double sum = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    sum += qMax(0, background - qGray(img.pixel(x, y)));
            return sum;
        };
        const double bold = ink(d.LblSchede()), plain = ink(&regular);
        QVERIFY(plain > 0);
        QVERIFY2(bold > 1.3 * plain, qPrintable(QStringLiteral("bold %1, regular %2").arg(bold).arg(plain)));
    }

    // A form whose name is not UTF-8 is listed as it reads and opens by the bytes of its name.
    void openDialogNameNotUtf8() {
        QDir().mkpath(daInviare());
        const QByteArray bytes = "SqCitt\xE0_n0001_(05-03-2009).VARNO";
        {
            Dataset ds;
            ds.open({FieldDef{QStringLiteral("S1_Squadra"), FieldKind::String, 3, {}, false}},
                    {{QByteArray("A1")}}, 1);
            ds.saveToFile(daInviare() + QStringLiteral("x.VARNO"));
        }
        QVERIFY(std::rename(QFile::encodeName(daInviare() + QStringLiteral("x.VARNO")).constData(),
                            (QFile::encodeName(daInviare()) + bytes).constData()) == 0);
        TDlgOpenSave d(nullptr, true);
        QCOMPARE(d.LboxSchede()->count(), 1);
        QCOMPARE(d.LboxSchede()->item(0)->text(), QStringLiteral("SqCitt\u00E0_n0001_(05-03-2009).VARNO"));
        d.LboxSchede()->setCurrentRow(0);
        d.BtnApri()->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        Dataset loaded;
        loaded.loadFromFile(d.PercorsoScelto());
        QCOMPARE(loaded.fieldByName(QStringLiteral("S1_Squadra"))->asString(), QStringLiteral("A1"));
    }

    void endToEndThroughTheWidgets() {
        TWinMain w;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        ScriptedPrompter p;
        w.NuovaScheda();
        TWinSuperPagina* p1 = w.Pagina1();
        TWinSuperPagina* p2 = w.Pagina2();
        TWinSuperPagina* p3 = w.Pagina3();
        typeInto(w, p1, ctl<BoundEdit>(p1, "S1_Squadra"), QStringLiteral("12"));
        typeInto(w, p1, ctl<BoundEdit>(p1, "S1_SchedaN"), QStringLiteral("0007"));
        typeInto(w, p1, ctl<BoundEdit>(p1, "S1_Comune"), QStringLiteral("Città di L'Aquila"));
        auto* units = ctl<BoundEdit>(p1, "S2_NUnitaUsoC");
        focusOn(w, p1, units);
        units->selectAll();
        QTest::keyClicks(units, QStringLiteral("4"));
        auto* storeys = ctl<BoundRadioGroup>(p1, "S2_NPianiTotali");
        focusOn(w, p1, storeys);
        QTest::mouseClick(storeys->button(12), Qt::LeftButton, {},
                          QPoint(6, storeys->button(12)->height() / 2));
        auto* cell = ctl<BoundCheckBox>(p2, "S4_Danno_D2");
        focusOn(w, p2, cell);
        QTest::keyClick(cell, Qt::Key_Space);
        auto* roof = ctl<BoundRadioGroup>(p2, "S3_Copertura");
        focusOn(w, p2, roof);
        QTest::mouseClick(roof->button(3), Qt::LeftButton, {}, QPoint(6, roof->button(3)->height() / 2));
        auto* outcome = ctl<BoundRadioGroup>(p3, "S8_Esito");
        focusOn(w, p3, outcome);
        QTest::mouseClick(outcome->button(4), Qt::LeftButton, {},
                          QPoint(6, outcome->button(4)->height() / 2));
        auto* measure = ctl<BoundChoiceBox>(p3, "S8_PIRapidoSuggerito_3");
        focusOn(w, p3, measure);
        measure->setCurrentIndex(2);
        auto* people = ctl<BoundSpinEdit>(p3, "S8_NumeroPersoneEvaquate");
        focusOn(w, p3, people);
        people->selectAll();
        QTest::keyClicks(people, QStringLiteral("12"));
        auto* notes = ctl<BoundMemo>(p3, "S9_Annotazioni");
        focusOn(w, p3, notes);
        QTest::keyClicks(notes, QStringLiteral("riga uno"));
        QTest::keyClick(notes, Qt::Key_Return);
        QTest::keyClicks(notes, QStringLiteral("riga due"));
        // Save with the memo still focused: its text is written first.
        QVERIFY(w.SalvaScheda());
        QVERIFY(w.ChiudiScheda());
        QVERIFY(p.shown.isEmpty());

        onDialog([](TDlgOpenSave* d) {
            d->LboxSchede()->setCurrentRow(0);
            d->BtnApri()->click();
        });
        w.ApriScheda();
        QVERIFY(w.TblScheda()->active());
        QCOMPARE(ctl<BoundEdit>(p1, "S1_Squadra")->text(), QStringLiteral("12"));
        QCOMPARE(ctl<BoundEdit>(p1, "S1_Comune")->text(), QStringLiteral("Città di L'Aquila"));
        QCOMPARE(ctl<BoundEdit>(p1, "S2_NUnitaUsoC")->text(), QStringLiteral("4"));
        QCOMPARE(storeys->itemIndex(), 12);
        QCOMPARE(cell->checkState(), Qt::Checked);
        QCOMPARE(roof->itemIndex(), 3);
        QCOMPARE(outcome->itemIndex(), 4);
        QCOMPARE(measure->currentText(), QStringLiteral("Estesi"));
        QCOMPARE(people->value(), 12);
        QCOMPARE(notes->toPlainText(), QStringLiteral("riga uno\nriga due"));
        QCOMPARE(f(w, "S9_Annotazioni")->asBytes(), QByteArray("riga uno\r\nriga due"));
        QCOMPARE(w.PgCtrl()->currentIndex(), 1);
        QCOMPARE(p1->SbPg()->verticalScrollBar()->value(), 0);
    }

    void missingFoldersGiveEmptyLists() {
        ScriptedPrompter p;
        TDlgOpenSave d(nullptr, true);
        QCOMPARE(d.LboxSchede()->count(), 0);
        QVERIFY(p.shown.isEmpty());
    }
};

QTEST_MAIN(TestDocumenti)
#include "tst_documenti.moc"
