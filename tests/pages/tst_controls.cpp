#include "BoundCheckBox.h"
#include "BoundChoiceBox.h"
#include "BoundDateEdit.h"
#include "BoundEdit.h"
#include "BoundLabel.h"
#include "BoundMemo.h"
#include "BoundPicture.h"
#include "BoundRadioGroup.h"
#include "BoundSpinEdit.h"
#include "DataSource.h"
#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "ScriptedPrompter.h"
#include "TestPage.h"
#include "WCnf.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBuffer>
#include <QCalendarWidget>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

class TestControls : public QObject {
    Q_OBJECT

    std::unique_ptr<Dataset> m_ds;
    std::unique_ptr<TestPage> m_page;

    Dataset& ds() { return *m_ds; }
    TestPage& page() { return *m_page; }
    Field* field(const char* name) { return m_ds->fieldByName(QString::fromLatin1(name)); }
    template <typename T> T* ctl(const char* name) {
        T* w = m_page->get<T>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }

    // A new form as the main window makes it: created, appended with defaults, posted.
    void newForm() {
        ds().createDataSet();
        ds().append();
        ds().post();
    }

    // Sets a field as a loaded file would, leaving the record unchanged since opening.
    void setStored(const char* name, const QVariant& value) {
        field(name)->setValue(value);
        ds().post();
    }

    // Types text that may hold characters beyond Latin-1, one key event each.
    static void typeText(QWidget* w, const QString& text) {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    static void leave(QWidget* w) { QTest::keyClick(w, Qt::Key_Tab); }

    static void focus(QWidget* w) {
        w->setFocus(Qt::TabFocusReason);
        QVERIFY(w->hasFocus());
    }

private slots:
    void init() {
        m_ds = std::make_unique<Dataset>(QStringLiteral("TblScheda"));
        m_ds->createFields(SchemaScheda());
        QObject::connect(m_ds.get(), &Dataset::newRecord, m_ds.get(),
                         [](Dataset* d) { TblSchedaNewRecord(d); });
        m_page = std::make_unique<TestPage>(m_ds.get());
        m_page->show();
        QApplicationPrivateActivate();
        newForm();
    }

    void cleanup() {
        m_page.reset();
        m_ds.reset();
    }

    // --- radio groups ------------------------------------------------------------------------

    void radioGroupValueMatchingNothing() {
        auto* g = ctl<BoundRadioGroup>("RgS2_AltezzaMediaPiano");
        QCOMPARE(g->itemIndex(), 1); // default 2
        QVERIFY(g->button(1)->isChecked());

        setStored("S2_AltezzaMediaPiano", 0);
        QCOMPARE(g->itemIndex(), -1);
        for (int i = 0; i < 4; ++i)
            QVERIFY(!g->button(i)->isChecked());

        // Passing through the group and saving keeps the 0.
        focus(g);
        leave(g);
        QVERIFY(page().UpdateRecord());
        QCOMPARE(ds().state(), Dataset::State::Browse);
        QCOMPARE(field("S2_AltezzaMediaPiano")->value(), QVariant(0));

        // Choosing stores the item's value; clicking the selected button again changes nothing,
        // and there is no key or click back to no selection.
        QTest::mouseClick(g->button(2), Qt::LeftButton);
        QVERIFY(g->hasFocus());
        QCOMPARE(ds().state(), Dataset::State::Edit);
        QCOMPARE(field("S2_AltezzaMediaPiano")->value(), QVariant(0)); // written on leaving
        leave(g);
        QCOMPARE(field("S2_AltezzaMediaPiano")->value(), QVariant(3));
        QTest::mouseClick(g->button(2), Qt::LeftButton);
        QCOMPARE(g->itemIndex(), 2);
        QTest::keyClick(g, Qt::Key_Down);
        QCOMPARE(g->itemIndex(), 3);
        QTest::keyClick(g, Qt::Key_Down);
        QCOMPARE(g->itemIndex(), 3);
        QTest::keyClick(g, Qt::Key_Escape);
        QCOMPARE(g->itemIndex(), 2);
    }

    void radioGroupTextsAreCaseSensitive() {
        auto* g = ctl<BoundRadioGroup>("RgS8_Esito");
        QCOMPARE(g->itemIndex(), 0); // default "A"
        setStored("S8_Esito", QByteArray("a"));
        QCOMPARE(g->itemIndex(), -1);
        setStored("S8_Esito", QByteArray("F"));
        QCOMPARE(g->itemIndex(), 5);
        QTest::mouseClick(g->button(2), Qt::LeftButton);
        leave(g);
        QCOMPARE(field("S8_Esito")->value(), QVariant(QByteArray("C")));
    }

    void radioGroupBooleanValues() {
        auto* g = ctl<BoundRadioGroup>("RgS3_TM_F");
        QCOMPARE(g->itemIndex(), 1); // new form: false, the NO button
        setStored("S3_TM_F", QVariant());
        QCOMPARE(g->itemIndex(), -1);
        QTest::mouseClick(g->button(0), Qt::LeftButton);
        leave(g);
        QCOMPARE(field("S3_TM_F")->value(), QVariant(true));
    }

    void radioGroupLayout() {
        QCOMPARE(RadioGroupLayout(13, 2).rows, 7);
        QCOMPARE(RadioGroupLayout(13, 2).columns, 2);
        QCOMPARE(RadioGroupLayout(4, 5).columns, 4);
        QCOMPARE(RadioGroupLayout(4, 5).rows, 1);
        QCOMPARE(RadioGroupLayout(16, 2).rows, 8);
        QCOMPARE(RadioGroupLayout(5, 1).rows, 5);
        QCOMPARE(RadioGroupLayout(4, 2).rows, 2);

        // The storeys group as built: 1-7 down the left column, 8 to >12 down the right one,
        // each button at the left of its cell and vertically centred in its row.
        auto* g = ctl<BoundRadioGroup>("RgS2_NPianiTotali");
        const int half = g->width() / 2;
        for (int i = 0; i < 13; ++i) {
            const QRect b = g->button(i)->geometry();
            QCOMPARE(b.x(), i < 7 ? 0 : half);
            const QRect cell = RadioCell(g->layoutRule(), g->size(), i);
            QVERIFY(qAbs(b.center().y() - cell.center().y()) <= 1);
        }
        QCOMPARE(g->button(7)->y(), g->button(0)->y());
        QCOMPARE(g->button(12)->text(), QStringLiteral(">12"));
        QVERIFY(g->button(12)->font().bold());
        QVERIFY(g->autoFillBackground());
        QVERIFY(!ctl<BoundRadioGroup>("RgS8_Esito")->autoFillBackground());

        QTest::mouseClick(g->button(12), Qt::LeftButton);
        leave(g);
        QCOMPARE(field("S2_NPianiTotali")->value(), QVariant(13));
    }

    // --- two controls on one field ----------------------------------------------------------

    void twoControlsShowOneField() {
        auto* g = ctl<BoundRadioGroup>("RgS8_AccuratezzaVisita");
        auto* cb = ctl<BoundChoiceBox>("CbAccuratezza2");
        QCOMPARE(g->itemIndex(), 2);
        QCOMPARE(cb->currentText(), QStringLiteral("3 Completa (> 2/3)"));
        QTest::mouseClick(g->button(1), Qt::LeftButton);
        QCOMPARE(cb->currentIndex(), 2); // not yet written
        leave(g);
        QCOMPARE(cb->currentText(), QStringLiteral("2 Parziale"));

        auto* ed = ctl<BoundEdit>("EdS1_Squadra");
        auto* lbl = ctl<BoundLabel>("LblS1_Squadra");
        focus(ed);
        QTest::keyClicks(ed, "7B");
        QCOMPARE(lbl->text(), QString());
        leave(ed);
        QCOMPARE(lbl->text(), QStringLiteral("7B"));
        // A value set in the record shows at once.
        field("S1_Squadra")->setValue(QByteArray("X1"));
        QCOMPARE(ed->text(), QStringLiteral("X1"));
        QCOMPARE(lbl->text(), QStringLiteral("X1"));
    }

    // --- check box ----------------------------------------------------------------------------

    void checkBoxCycle() {
        auto* c = ctl<BoundCheckBox>("ChkS3_TM_A1");
        QCOMPARE(c->checkState(), Qt::Unchecked);
        setStored("S3_TM_A1", QVariant());
        QCOMPARE(c->checkState(), Qt::PartiallyChecked);
        QTest::mouseClick(c, Qt::LeftButton);
        QCOMPARE(c->checkState(), Qt::Checked);
        QVERIFY(c->hasFocus());
        leave(c);
        QCOMPARE(field("S3_TM_A1")->value(), QVariant(true));

        focus(c);
        QTest::keyClick(c, Qt::Key_Space);
        QCOMPARE(c->checkState(), Qt::Unchecked);
        QTest::keyClick(c, Qt::Key_Space);
        QCOMPARE(c->checkState(), Qt::Checked);
        QTest::mouseClick(c, Qt::LeftButton);
        QCOMPARE(c->checkState(), Qt::Unchecked);
        QTest::keyClick(c, Qt::Key_Escape);
        QCOMPARE(c->checkState(), Qt::Checked);
        leave(c);
        QCOMPARE(field("S3_TM_A1")->value(), QVariant(true));
        focus(c);
        QTest::keyClick(c, Qt::Key_Space);
        QVERIFY(page().UpdateRecord());
        QCOMPARE(field("S3_TM_A1")->value(), QVariant(false));
    }

    // --- edit ---------------------------------------------------------------------------------

    void editOnSmallInteger() {
        ScriptedPrompter prompter;
        auto* ed = ctl<BoundEdit>("EdS2_NUnitaUsoA");
        QCOMPARE(ed->text(), QStringLiteral("0"));
        focus(ed);
        ed->selectAll();
        const int beeps = BoundControl::beepCount();
        QTest::keyClicks(ed, "12");
        QCOMPARE(BoundControl::beepCount(), beeps);
        QTest::keyClicks(ed, "a");
        QCOMPARE(BoundControl::beepCount(), beeps + 1);
        QCOMPARE(ed->text(), QStringLiteral("12"));
        QTest::keyClicks(ed, " x.,");
        QCOMPARE(ed->text(), QStringLiteral("12"));
        QCOMPARE(BoundControl::beepCount(), beeps + 5);
        leave(ed);
        QCOMPARE(field("S2_NUnitaUsoA")->value(), QVariant(12));
        QVERIFY(prompter.shown.isEmpty());

        focus(ed);
        ed->selectAll();
        QTest::keyClicks(ed, "40000");
        leave(ed);
        QCOMPARE(prompter.shown.size(), 1);
        QCOMPARE(prompter.shown[0].text,
                 QStringLiteral("40000 is not a valid value for field 'S2_NUnitaUsoA'. The allowed range is "
                                "-32768 to 32767"));
        QVERIFY(ed->hasFocus());
        QCOMPARE(ed->selectedText(), QStringLiteral("40000"));
        QCOMPARE(field("S2_NUnitaUsoA")->value(), QVariant(12));

        QTest::keyClicks(ed, "1-2");
        leave(ed);
        QCOMPARE(prompter.shown.size(), 2);
        QCOMPARE(prompter.shown[1].text,
                 QStringLiteral("'1-2' is not a valid integer value for field 'S2_NUnitaUsoA'"));
        QVERIFY(ed->hasFocus());
        QCOMPARE(ed->selectedText(), QStringLiteral("1-2"));

        // Save asks for the pending value too, and stops on a refusal.
        QVERIFY(!page().UpdateRecord());
        QCOMPARE(prompter.shown.size(), 3);

        // A number of 20 digits is a number out of range, signed or not.
        for (const char* digits :
             {"12345678901234567890", "-12345678901234567890", "+99999999999999999999"}) {
            ed->selectAll();
            QTest::keyClicks(ed, digits);
            leave(ed);
            QVERIFY(ed->hasFocus());
            QCOMPARE(field("S2_NUnitaUsoA")->value(), QVariant(12));
        }
        QCOMPARE(prompter.shown.size(), 6);
        QCOMPARE(prompter.shown[3].text,
                 QStringLiteral("1.23456789012346e+19 is not a valid value for field 'S2_NUnitaUsoA'. The "
                                "allowed range is -32768 to 32767"));
        QCOMPARE(prompter.shown[4].text.left(22), QStringLiteral("-1.23456789012346e+19 "));
        QCOMPARE(prompter.shown[5].text.left(7), QStringLiteral("1e+20 i"));
        prompter.shown.resize(3);

        QTest::keyClick(ed, Qt::Key_Escape);
        QCOMPARE(ed->text(), QStringLiteral("12"));
        QCOMPARE(ed->selectedText(), QStringLiteral("12"));
        QTest::keyClicks(ed, "-7");
        leave(ed);
        QCOMPARE(field("S2_NUnitaUsoA")->value(), QVariant(-7));

        // Empty text stores null in a number field.
        focus(ed);
        ed->selectAll();
        QTest::keyClick(ed, Qt::Key_Delete);
        leave(ed);
        QVERIFY(field("S2_NUnitaUsoA")->isNull());
        QCOMPARE(prompter.shown.size(), 3);
    }

    void editOnInteger() {
        ScriptedPrompter prompter;
        auto* ed = ctl<BoundEdit>("EdS2_Occupanti");
        focus(ed);
        ed->selectAll();
        QTest::keyClicks(ed, "3000000000");
        leave(ed);
        QCOMPARE(prompter.shown.size(), 1);
        QCOMPARE(prompter.shown[0].text,
                 QStringLiteral("3000000000 is not a valid value for field 'S2_Occupanti'. "
                                "The allowed range is -2147483648 to 2147483647"));
        ed->selectAll();
        QTest::keyClicks(ed, "+70000");
        leave(ed);
        QCOMPARE(field("S2_Occupanti")->value(), QVariant(70000));
        QCOMPARE(ed->text(), QStringLiteral("70000"));
    }

    void editOnString() {
        auto* ed = ctl<BoundEdit>("EdS1_Squadra");
        focus(ed);
        QTest::keyClicks(ed, "AB9Z");
        QCOMPARE(ed->text(), QStringLiteral("AB9"));
        QCOMPARE(ds().state(), Dataset::State::Edit);
        leave(ed);
        QCOMPARE(field("S1_Squadra")->value(), QVariant(QByteArray("AB9")));

        // Windows-1252 holds the euro sign and accented letters but not Greek.
        focus(ed);
        ed->selectAll();
        const int beeps = BoundControl::beepCount();
        typeText(ed, QStringLiteral("\u20ac\u03a9\u00e8"));
        QCOMPARE(ed->text(), QStringLiteral("\u20ac\u00e8"));
        QCOMPARE(BoundControl::beepCount(), beeps + 1);
        ed->selectAll();
        ed->insert(QStringLiteral("\u03a9\u03a9")); // a paste of what the code page cannot hold
        QCOMPARE(ed->text(), QStringLiteral("\u20ac\u00e8"));
        leave(ed);
        QCOMPARE(field("S1_Squadra")->value(), QVariant(QByteArray("\x80\xe8")));

        // Esc goes back to the field's value; empty text stores the empty string.
        focus(ed);
        QTest::keyClicks(ed, "Q");
        QTest::keyClick(ed, Qt::Key_Escape);
        QCOMPARE(ed->text(), QStringLiteral("\u20ac\u00e8"));
        ed->selectAll();
        QTest::keyClick(ed, Qt::Key_Backspace);
        leave(ed);
        QVERIFY(!field("S1_Squadra")->isNull());
        QCOMPARE(field("S1_Squadra")->asString(), QString());

        // Leaving an untouched box writes nothing and leaves the record unchanged.
        ds().post();
        focus(ed);
        leave(ed);
        QCOMPARE(ds().state(), Dataset::State::Browse);
    }

    // --- choice box ---------------------------------------------------------------------------

    void choiceBox() {
        auto* cb = ctl<BoundChoiceBox>("CbS2_EtaCostruzione");
        QCOMPARE(cb->currentText(), QStringLiteral("fino al 1919 "));
        QCOMPARE(cb->itemText(1), QStringLiteral("dal 1919  al 1945"));
        QVERIFY(!cb->isEditable());
        setStored("S2_EtaCostruzione", 0);
        QCOMPARE(cb->currentIndex(), -1);
        QCOMPARE(cb->currentText(), QString());

        focus(cb);
        cb->showPopup();
        QAbstractItemView* view = cb->view();
        QTRY_VERIFY(view->isVisible());
        const QModelIndex idx = view->model()->index(4, 0);
        view->scrollTo(idx);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(idx).center());
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(cb->currentText(), QStringLiteral("dal 1972 al 1981"));
        QCOMPARE(field("S2_EtaCostruzione")->value(), QVariant(0));
        QTRY_VERIFY(cb->hasFocus());
        leave(cb);
        QCOMPARE(field("S2_EtaCostruzione")->value(), QVariant(5));
    }

    // The wheel over a box without the focus is left to the page, which scrolls; it changes no
    // value.
    void wheelOverUnfocusedBox() {
        auto* cb = ctl<BoundChoiceBox>("CbS2_EtaCostruzione");
        auto* se = ctl<BoundSpinEdit>("SeS8_UnitaImmobiliariInagibili");
        auto* de = ctl<BoundDateEdit>("DtS1_Data");
        focus(ctl<BoundEdit>("EdS1_Squadra"));
        for (QWidget* w : {static_cast<QWidget*>(cb), static_cast<QWidget*>(se), static_cast<QWidget*>(de)}) {
            const QPoint c = w->rect().center();
            QWheelEvent wheel(c, w->mapToGlobal(c), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(w, &wheel);
            QVERIFY2(!wheel.isAccepted(), qPrintable(w->objectName()));
        }
        QCOMPARE(cb->currentIndex(), 0);
        QCOMPARE(se->text(), QStringLiteral("0"));
        QCOMPARE(de->shownDate(), QDate::currentDate());
        QCOMPARE(ds().state(), Dataset::State::Browse);
    }

    // --- spin edit ----------------------------------------------------------------------------

    void spinEdit() {
        auto* se = ctl<BoundSpinEdit>("SeS8_UnitaImmobiliariInagibili");
        QCOMPARE(se->text(), QStringLiteral("0"));
        focus(se);
        se->selectAll();
        QTest::keyClicks(se, "150");
        leave(se);
        QCOMPARE(field("S8_UnitaImmobiliariInagibili")->value(), QVariant(99));
        QCOMPARE(se->text(), QStringLiteral("99"));

        focus(se);
        se->selectAll();
        QTest::keyClicks(se, "-1");
        leave(se);
        QCOMPARE(field("S8_UnitaImmobiliariInagibili")->value(), QVariant(-1));

        focus(se);
        QTest::keyClick(se, Qt::Key_PageUp);
        QCOMPARE(se->value(), 9);
        QTest::keyClick(se, Qt::Key_Up);
        QCOMPARE(se->value(), 10);
        QTest::keyClick(se, Qt::Key_PageDown);
        QTest::keyClick(se, Qt::Key_PageDown);
        QTest::keyClick(se, Qt::Key_Down);
        QCOMPARE(se->value(), -11);
        se->setValue(95);
        QTest::keyClick(se, Qt::Key_PageUp);
        QCOMPARE(se->value(), 99);
        QTest::keyClick(se, Qt::Key_Up);
        QCOMPARE(se->value(), 99);
        leave(se);
        QCOMPARE(field("S8_UnitaImmobiliariInagibili")->value(), QVariant(99));

        // A cleared box stores 0; null shows empty.
        focus(se);
        se->selectAll();
        QTest::keyClick(se, Qt::Key_Delete);
        leave(se);
        QCOMPARE(field("S8_UnitaImmobiliariInagibili")->value(), QVariant(0));
        setStored("S8_UnitaImmobiliariInagibili", QVariant());
        QCOMPARE(se->text(), QString());
        focus(se);
        leave(se);
        QCOMPARE(se->text(), QString());
        QVERIFY(field("S8_UnitaImmobiliariInagibili")->isNull());

        // The wheel steps by one, also up to MaxValue only.
        setStored("S8_UnitaImmobiliariInagibili", 98);
        focus(se);
        const QPoint c = se->rect().center();
        for (int i = 0; i < 2; ++i) {
            QWheelEvent wheel(c, se->mapToGlobal(c), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(se, &wheel);
        }
        QCOMPARE(se->value(), 99);
        leave(se);
        QCOMPARE(field("S8_UnitaImmobiliariInagibili")->value(), QVariant(99));
    }

    // --- date edit ----------------------------------------------------------------------------

    // The digits of a date in the box's format, as a user types them.
    static QString digits(const QDate& d) {
        return d.toString(BoundDateEdit::ShortDateFormat()).remove(QRegularExpression("\\D"));
    }

    // However the box is entered (a click at its start or inside the text, Ctrl+A, Tab or
    // Shift+Tab), the typed digits fill the mask from the caret and the date is stored.
    void dateTypedWhereverTheCaretIs() {
        auto* de = ctl<BoundDateEdit>("DtS1_Data");
        auto* before = ctl<BoundSpinEdit>("SeS8_UnitaImmobiliariInagibili");
        auto* after = ctl<BoundRadioGroup>("RgS8_AccuratezzaVisita");
        const QString fmt = BoundDateEdit::ShortDateFormat();
        const QTime time(3, 32);
        setStored("S1_Data", QDateTime(QDate(2009, 4, 6), time, Qt::UTC));
        auto stored = [&] { return field("S1_Data")->asDateTime(); };

        // A click at the left of the text, then the digits.
        QTest::mouseClick(de, Qt::LeftButton, {}, QPoint(3, de->height() / 2));
        QVERIFY(de->hasFocus());
        QTest::keyClicks(de, digits(QDate(2009, 4, 7)));
        QCOMPARE(de->text(), QDate(2009, 4, 7).toString(fmt));
        QTest::mouseClick(after->button(0), Qt::LeftButton);
        QCOMPARE(stored(), QDateTime(QDate(2009, 4, 7), time, Qt::UTC));

        // A click, Ctrl+A, then the digits.
        QTest::mouseClick(de, Qt::LeftButton, {}, QPoint(de->width() / 3, de->height() / 2));
        QTest::keyClick(de, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(de, digits(QDate(2010, 5, 8)));
        leave(de);
        QCOMPARE(stored(), QDateTime(QDate(2010, 5, 8), time, Qt::UTC));

        // Tab from the control before it.
        before->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(before, Qt::Key_Tab);
        QVERIFY(de->hasFocus());
        QTest::keyClicks(de, digits(QDate(2011, 6, 9)));
        leave(de);
        QCOMPARE(stored(), QDateTime(QDate(2011, 6, 9), time, Qt::UTC));

        // Shift+Tab from the control after it.
        after->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(de->hasFocus());
        QTest::keyClicks(de, digits(QDate(2012, 7, 10)));
        QCOMPARE(de->text(), QDate(2012, 7, 10).toString(fmt));
        leave(de);
        QCOMPARE(stored(), QDateTime(QDate(2012, 7, 10), time, Qt::UTC));

        // A caret inside the text overwrites from there: two digits typed at the start of the
        // year's place change the century only.
        focus(de);
        de->setCursorPosition(fmt.indexOf(QLatin1String("yyyy")));
        QTest::keyClicks(de, "19");
        leave(de);
        QCOMPARE(stored(), QDateTime(QDate(1912, 7, 10), time, Qt::UTC));

        // Letters take no place.
        focus(de);
        QTest::keyClicks(de, "ab");
        QCOMPARE(de->text(), QDate(1912, 7, 10).toString(fmt));
        leave(de);

        // An empty box takes a typed date; no time of day is invented.
        setStored("S1_Data", QVariant());
        QCOMPARE(de->displayText().trimmed(), QString());
        QTest::mouseClick(de, Qt::LeftButton, {}, QPoint(3, de->height() / 2));
        QTest::keyClicks(de, digits(QDate(2009, 3, 5)));
        leave(de);
        QCOMPARE(stored(), QDateTime(QDate(2009, 3, 5), QTime(0, 0), Qt::UTC));
    }

    // Text that is no date never becomes another date: the stored one stays and shows again.
    void impossibleDateLeavesStoredDate() {
        auto* de = ctl<BoundDateEdit>("DtS1_Data");
        const QString fmt = BoundDateEdit::ShortDateFormat();
        const QDateTime kept(QDate(2009, 4, 6), QTime(3, 32), Qt::UTC);
        setStored("S1_Data", kept);
        const auto type = [&](const QString& text) {
            QTest::mouseClick(de, Qt::LeftButton, {}, QPoint(3, de->height() / 2));
            QTest::keyClicks(de, text);
            leave(de);
        };
        // 31 February, month 13, day 0, year 0.
        for (const QString& text : {QDate(2009, 1, 31).toString(fmt).replace("01", "02"),
                                    QDate(2009, 1, 10).toString(fmt).replace("01", "13"),
                                    QDate(2009, 4, 10).toString(fmt).replace("10", "00"),
                                    QDate(2009, 4, 10).toString(fmt).replace("2009", "0000")}) {
            type(QString(text).remove(QRegularExpression("\\D")));
            QCOMPARE(field("S1_Data")->asDateTime(), kept);
            QCOMPARE(de->text(), kept.date().toString(fmt));
        }
        // The whole text selected and replaced by a date left half typed.
        focus(de);
        de->selectAll();
        QTest::keyClicks(de, digits(QDate(2010, 5, 8)).left(5));
        leave(de);
        QCOMPARE(field("S1_Data")->asDateTime(), kept);
    }

    void dateEdit() {
        auto* de = ctl<BoundDateEdit>("DtS1_Data");
        auto* lbl = ctl<BoundLabel>("LblS1_Data");
        const QString fmt = BoundDateEdit::ShortDateFormat();
        QCOMPARE(de->shownDate(), QDate::currentDate());
        QCOMPARE(de->text(), QDate::currentDate().toString(fmt));
        QCOMPARE(lbl->text(), QDate::currentDate().toString(fmt));

        setStored("S1_Data", QDateTime(QDate(2009, 4, 6), QTime(3, 32), Qt::UTC));
        QCOMPARE(de->shownDate(), QDate(2009, 4, 6));
        // The label shows the short date only, whatever the time of day.
        QCOMPARE(lbl->text(), QDate(2009, 4, 6).toString(fmt));

        // Typing a new date keeps the time of day.
        // The mask takes the digits; the separators stand.
        focus(de);
        QTest::keyClicks(de, QDate(2009, 4, 7).toString(fmt).remove(QRegularExpression("\\D")));
        QCOMPARE(de->text(), QDate(2009, 4, 7).toString(fmt));
        leave(de);
        QCOMPARE(field("S1_Data")->value(), QVariant(QDateTime(QDate(2009, 4, 7), QTime(3, 32), Qt::UTC)));

        // Text that is no date leaves the stored date.
        focus(de);
        de->selectAll();
        QTest::keyClick(de, Qt::Key_Delete);
        QTest::keyClicks(de, "3");
        leave(de);
        QCOMPARE(field("S1_Data")->asDateTime().date(), QDate(2009, 4, 7));

        // The calendar's buttons.
        focus(de);
        QCOMPARE(de->clearButton()->text(), QStringLiteral("Clear"));
        QCOMPARE(de->todayButton()->text(), QStringLiteral("Today"));
        de->clearButton()->click();
        QCOMPARE(de->text().trimmed(), QString());
        leave(de);
        QVERIFY(field("S1_Data")->isNull());
        QCOMPARE(lbl->text(), QString());
        focus(de);
        de->todayButton()->click();
        leave(de);
        QCOMPARE(field("S1_Data")->value(), QVariant(QDateTime(QDate::currentDate(), QTime(0, 0), Qt::UTC)));

        // A date typed into an empty box.
        setStored("S1_Data", QVariant());
        focus(de);
        QTest::keyClicks(de, QDate(2010, 5, 17).toString(fmt).remove(QRegularExpression("\\D")));
        leave(de);
        QCOMPARE(field("S1_Data")->value(), QVariant(QDateTime(QDate(2010, 5, 17), QTime(0, 0), Qt::UTC)));
    }

    // --- memo ---------------------------------------------------------------------------------

    void memo() {
        auto* m = ctl<BoundMemo>("MmS9_Annotazioni");
        focus(m);
        QTest::keyClicks(m, "prima");
        QTest::keyClick(m, Qt::Key_Return);
        QTest::keyClicks(m, "seconda");
        leave(m);
        QVERIFY(!m->hasFocus());
        QCOMPARE(field("S9_Annotazioni")->value(), QVariant(QByteArray("prima\r\nseconda")));
        QCOMPARE(m->toPlainText(), QStringLiteral("prima\nseconda"));
        QCOMPARE(m->lineWrapMode(), QPlainTextEdit::WidgetWidth);

        focus(m);
        QTest::keyClicks(m, " altro");
        QTest::keyClick(m, Qt::Key_Escape);
        QCOMPARE(m->toPlainText(), QStringLiteral("prima\nseconda"));
        typeText(m, QStringLiteral("\u03a9"));
        QCOMPARE(m->toPlainText(), QStringLiteral("prima\nseconda"));
    }

    // --- picture ------------------------------------------------------------------------------

    void pictureBox() {
        auto* p = ctl<BoundPicture>("ImgS9_Foto");
        QVERIFY(p->picture().isNull());
        QStringList captions;
        for (QAction* a : p->menu()->actions())
            if (!a->isSeparator())
                captions << a->text();
        QCOMPARE(captions, (QStringList{"Cu&t", "&Copy", "&Paste", "&Delete", "&Load...", "Save &As..."}));
        QCOMPARE(BoundPicture::EmptyCaption, QStringLiteral("(Immagine)"));

        QImage img(10, 6, QImage::Format_RGB32);
        img.fill(Qt::red);
        QByteArray png;
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "PNG");
        setStored("S9_Foto", png);
        // Decoded off the user-interface thread.
        QTRY_VERIFY(!p->decoding());
        QCOMPARE(p->picture().size(), QSize(10, 6));
        const QImage shot = p->grab().toImage();
        QCOMPARE(QColor(shot.pixel(p->width() / 2, p->height() / 2)), QColor(Qt::red));
        QCOMPARE(QColor(shot.pixel(p->width() / 2 + 8, p->height() / 2)), QColor(Qt::white));
    }

    // --- record states ------------------------------------------------------------------------

    void closedRecordShowsNothing() {
        ctl<BoundEdit>("EdS1_Squadra")->setFocus();
        QTest::keyClicks(ctl<BoundEdit>("EdS1_Squadra"), "1");
        ds().close();
        QCOMPARE(ctl<BoundEdit>("EdS1_Squadra")->text(), QString());
        QCOMPARE(ctl<BoundEdit>("EdS2_NUnitaUsoA")->text(), QString());
        QCOMPARE(ctl<BoundCheckBox>("ChkS3_TM_A1")->checkState(), Qt::Unchecked);
        QCOMPARE(ctl<BoundRadioGroup>("RgS2_AltezzaMediaPiano")->itemIndex(), -1);
        QCOMPARE(ctl<BoundChoiceBox>("CbS2_EtaCostruzione")->currentText(), QString());
        QCOMPARE(ctl<BoundSpinEdit>("SeS8_UnitaImmobiliariInagibili")->text(), QString());
        QCOMPARE(ctl<BoundDateEdit>("DtS1_Data")->text().trimmed(), QString());
        QCOMPARE(ctl<BoundMemo>("MmS9_Annotazioni")->toPlainText(), QString());
        QCOMPARE(ctl<BoundLabel>("LblS1_Data")->text(), QString());
        QVERIFY(page().UpdateRecord());

        // Nothing can be typed or ticked while no form is open.
        auto* ed = ctl<BoundEdit>("EdS1_Squadra");
        focus(ed);
        QTest::keyClicks(ed, "AB");
        QCOMPARE(ed->text(), QString());
        QTest::mouseClick(ctl<BoundCheckBox>("ChkS3_TM_A1"), Qt::LeftButton);
        QCOMPARE(ctl<BoundCheckBox>("ChkS3_TM_A1")->checkState(), Qt::Unchecked);
        QTest::mouseClick(ctl<BoundRadioGroup>("RgS8_Esito")->button(1), Qt::LeftButton);
        QCOMPARE(ctl<BoundRadioGroup>("RgS8_Esito")->itemIndex(), -1);

        // A new record shows at once.
        newForm();
        QCOMPARE(ctl<BoundRadioGroup>("RgS2_AltezzaMediaPiano")->itemIndex(), 1);
        QCOMPARE(ctl<BoundChoiceBox>("CbS2_EtaCostruzione")->currentText(), QStringLiteral("fino al 1919 "));
        QCOMPARE(ctl<BoundEdit>("EdS2_NUnitaUsoA")->text(), QStringLiteral("0"));
    }

    void pendingValueWrittenBySave() {
        auto* ed = ctl<BoundEdit>("EdS9_Firma");
        focus(ed);
        QTest::keyClicks(ed, "Rossi");
        QVERIFY(field("S9_Firma")->asString().isEmpty());
        QVERIFY(page().UpdateRecord());
        QCOMPARE(field("S9_Firma")->asString(), QStringLiteral("Rossi"));
        QVERIFY(ed->hasFocus());
    }

    // The value a pending change would give, asked while typing, leaves the record, the text, its
    // selection and the focus alone, and shows nothing for text that would be refused.
    void pendingValueLeavesEverythingAlone() {
        ScriptedPrompter prompter;
        auto* ed = ctl<BoundEdit>("EdS2_NUnitaUsoA");
        QVariant v;
        QVERIFY(!dynamic_cast<BoundControl*>(ed)->pendingValue(&v)); // nothing typed
        focus(ed);
        ed->selectAll();
        QTest::keyClicks(ed, "40");
        QTest::keyClick(ed, Qt::Key_Left);
        QVERIFY(dynamic_cast<BoundControl*>(ed)->pendingValue(&v));
        QCOMPARE(v, QVariant(40));
        QCOMPARE(field("S2_NUnitaUsoA")->value(), QVariant(0));
        QCOMPARE(ed->text(), QStringLiteral("40"));
        QCOMPARE(ed->cursorPosition(), 1);
        QVERIFY(!ed->hasSelectedText());
        QVERIFY(ed->hasFocus());
        QTest::keyClicks(ed, "0000");
        QVERIFY(!dynamic_cast<BoundControl*>(ed)->pendingValue(&v)); // out of range
        QVERIFY(prompter.shown.isEmpty());
        QCOMPARE(ed->text(), QStringLiteral("400000"));
        QVERIFY(!ed->hasSelectedText());
        QVERIFY(ed->hasFocus());
        QCOMPARE(field("S2_NUnitaUsoA")->value(), QVariant(0));
        QTest::keyClick(ed, Qt::Key_Escape);

        auto* memo = ctl<BoundMemo>("MmS9_Annotazioni");
        focus(memo);
        QTest::keyClicks(memo, "uno");
        QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClicks(memo, "due");
        QVERIFY(dynamic_cast<BoundControl*>(memo)->pendingValue(&v));
        QCOMPARE(v.toByteArray(), QByteArray("uno\r\ndue"));
        QVERIFY(field("S9_Annotazioni")->isNull());
    }

    // --- page ---------------------------------------------------------------------------------

    void pageForm() {
        QCOMPARE(page().size(), QSize(900, 600));
        QVERIFY(page().windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(page().font().pixelSize(), 11);
        const QList<QWidget*> children = page().findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(children.size(), 1);
        QCOMPARE(children[0], page().SbPg());
        QCOMPARE(page().SbPg()->objectName(), QStringLiteral("SbPg"));
        QCOMPARE(page().SbPg()->frameShape(), QFrame::NoFrame);
        QCOMPARE(page().SbPg()->geometry(), page().rect());
        QCOMPARE(page().PageBackground()->pos(), QPoint(0, 0));
        QCOMPARE(page().PageBackground()->pixmap().size(), QSize(900, 1300));

        // The extent: the picture and every control (the picture edit at y 1250 lies inside it).
        QCOMPARE(page().surface()->size(), QSize(900, 1300));
        page().resize(950, 600); // as wide as the page with its vertical scroll bar
        QCoreApplication::processEvents();
        QVERIFY(page().SbPg()->verticalScrollBar()->isVisible());
        QVERIFY(!page().SbPg()->horizontalScrollBar()->isVisible());
        page().resize(700, 400);
        QTRY_VERIFY(page().SbPg()->horizontalScrollBar()->isVisible());

        TWinCnf cnf(&ds());
        QCOMPARE(cnf.surface()->findChildren<QWidget*>().size(), 1); // only the empty picture
    }

    void controlsKeepPagePositionWhenScrolled() {
        const QList<ControlDef> table = TestPage::Table();
        QScrollBar* v = page().SbPg()->verticalScrollBar();
        for (int scroll : {0, 250, v->maximum()}) {
            v->setValue(scroll);
            QCoreApplication::processEvents();
            const QPoint origin = page().PageBackground()->mapTo(page().SbPg()->viewport(), QPoint(0, 0));
            QCOMPARE(origin, QPoint(0, -scroll));
            for (const ControlDef& s : table) {
                QWidget* w = page().control(DefaultControlName(s));
                QVERIFY(w);
                QCOMPARE(w->geometry(), EffectiveRect(s));
                QCOMPARE(w->mapTo(page().SbPg()->viewport(), QPoint(0, 0)),
                         EffectiveRect(s).topLeft() - QPoint(0, scroll));
            }
        }
        page().scrollToOrigin();
        QCOMPARE(v->value(), 0);
    }

    void tabOrder() {
        QStringList expected;
        QList<ControlDef> stops;
        for (const ControlDef& s : TestPage::Table())
            if (s.tabOrder >= 0)
                stops << s;
        std::stable_sort(stops.begin(), stops.end(),
                         [](const ControlDef& a, const ControlDef& b) { return a.tabOrder < b.tabOrder; });
        for (const ControlDef& s : stops)
            expected << DefaultControlName(s);

        QWidget* first = page().control(expected.first());
        focus(first);
        QStringList visited{first->objectName()};
        for (int i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* f = QApplication::focusWidget();
            while (f && !page().control(f->objectName()))
                f = f->parentWidget();
            QVERIFY(f);
            visited << f->objectName();
        }
        QCOMPARE(visited, expected);

        for (QWidget* w : {static_cast<QWidget*>(page().SbPg()), page().surface(),
                           static_cast<QWidget*>(page().PageBackground()), page().control("LblS1_Squadra")})
            QCOMPARE(w->focusPolicy(), Qt::NoFocus);
        // The radio group is one stop; its buttons take no focus of their own.
        for (int i = 0; i < 6; ++i)
            QCOMPARE(ctl<BoundRadioGroup>("RgS8_Esito")->button(i)->focusPolicy(), Qt::NoFocus);
        QVERIFY(!page().control("Button1")->isVisible());
    }

    // --- tables -------------------------------------------------------------------------------

    void gridCells() {
        QList<ControlDef> grid =
            GridCells("S4_PI_", {{"A", 545}, {"B", 599}, {"C", 651}, {"D", 703}, {"E", 755}, {"F", 809}},
                      {{"1", 601}, {"2", 622}, {"3", 646}, {"4", 667}, {"5", 690}}, {20, 17}, 103, {"C5"});
        QCOMPARE(grid.size(), 29);
        QCOMPARE(grid.first().field, QStringLiteral("S4_PI_A1"));
        QCOMPARE(grid.first().tabOrder, 103);
        QCOMPARE(grid.last().field, QStringLiteral("S4_PI_F5"));
        QCOMPARE(grid.last().tabOrder, 131);
        QVERIFY(!FindDef(grid, "S4_PI_C5"));
        QCOMPARE(FindDef(grid, "S4_PI_D1")->tabOrder, 103 + 14);
        QCOMPARE(FindDef(grid, "S4_PI_E3")->rect, QRect(755, 646, 20, 17));
        FindDef(grid, "S4_PI_A1")->rect.setWidth(19);
        QCOMPARE(grid.first().rect.width(), 19);
        for (const ControlDef& s : grid)
            QVERIFY2(std::any_of(SchemaScheda().begin(), SchemaScheda().end(),
                                 [&](const FieldDef& d) { return d.name == s.field; }),
                     qPrintable(s.field));
    }

    // Overlapping controls: the later in the table lies on top and takes the clicks there; unbound
    // kinds are made too.
    void builderStacking() {
        TWinSuperPagina p(&ds());
        ControlDef morfologia;
        morfologia.kind = ControlKind::RadioGroup;
        morfologia.field = "S7_MorfologiaSito";
        morfologia.rect = {15, 1213, 430, 45};
        morfologia.columns = 4;
        morfologia.items = {
            {"1 Cresta", 1}, {"2 Pendio Forte", 2}, {"3 Pendio Leggero", 3}, {"4 Pianura", 4}};
        morfologia.tabOrder = 0;
        ControlDef dissesto = morfologia;
        dissesto.field = "S7_Dissesto";
        dissesto.rect = {413, 1221, 487, 29};
        dissesto.items = {{"A Assenti", "A"},
                          {"B Generati dal sisma", "B"},
                          {"C Acuiti dal sisma", "C"},
                          {"D Preesistenti", "D"}};
        dissesto.tabOrder = 1;
        ControlDef decoder;
        decoder.kind = ControlKind::WebImage;
        decoder.name = "WebImage1";
        decoder.rect = {360, 1250, 100, 100};
        decoder.visible = false;
        p.buildControls({morfologia, dissesto, decoder});
        auto topAt = [&](int x, int y) {
            QWidget* w = p.surface()->childAt(x, y);
            while (w && w->parentWidget() != p.surface())
                w = w->parentWidget();
            return w;
        };
        // Where the two overlap, the later one lies above; a transparent group takes clicks only
        // on its buttons, so beside them the one underneath is reached.
        QCOMPARE(topAt(420, 1230), p.control("RgS7_Dissesto"));
        auto* morfologia3 = qobject_cast<BoundRadioGroup*>(p.control("RgS7_MorfologiaSito"))->button(3);
        const QPoint onPianura = morfologia3->mapTo(p.surface(), morfologia3->rect().center());
        QCOMPARE(topAt(onPianura.x(), onPianura.y()), p.control("RgS7_MorfologiaSito"));
        QCOMPARE(topAt(440, 1252), nullptr);
        QCOMPARE(p.surface()->size(), QSize(900, 1258));
        QVERIFY(p.control("WebImage1"));
        QCOMPARE(p.control("WebImage1")->focusPolicy(), Qt::NoFocus);
        QCOMPARE(p.dataSources().size(), 1);
        QCOMPARE(p.dataSources()[0]->objectName(), QStringLiteral("DataSource1"));
        QCOMPARE(qobject_cast<BoundRadioGroup*>(p.control("RgS7_Dissesto"))->itemIndex(), 0);
    }

    void valueMatching() {
        const QList<ControlItem> numbers{{"", 1}, {"", 2}};
        QCOMPARE(MatchItem(numbers, 2), 1);
        QCOMPARE(MatchItem(numbers, 0), -1);
        QCOMPARE(MatchItem(numbers, QVariant()), -1);
        const QList<ControlItem> letters{{"", "A"}, {"", "B"}};
        QCOMPARE(MatchItem(letters, QByteArray("B")), 1);
        QCOMPARE(MatchItem(letters, QByteArray("b")), -1);
        QCOMPARE(MatchItem(letters, QByteArray("B ")), -1);
        const QList<ControlItem> bools{{"", true}, {"", false}};
        QCOMPARE(MatchItem(bools, false), 1);
        QCOMPARE(MatchItem(bools, QByteArray("True")), 0);
        QCOMPARE(MatchItem(letters, true), -1);
        const QList<ControlItem> captions{{"x", QVariant()}, {"y", QVariant()}};
        QCOMPARE(MatchItem(captions, QByteArray("y")), 1);
    }

    // A picture of the test page for a look.
    void grabPage() {
        field("S1_Squadra")->setValue(QByteArray("12A"));
        field("S9_Annotazioni")
            ->setValue(QByteArray("Prima riga\r\nSeconda riga, che continua fino a andare a capo "
                                  "alla larghezza del riquadro."));
        field("S3_TM_A1")->setValue(true);
        page().resize(900, 860);
        QCoreApplication::processEvents();
        const QString out = qEnvironmentVariable("VARNO_GRAB_DIR", QDir::tempPath()) + "/testpage.png";
        QVERIFY(page().grab().save(out));
        qInfo("page grabbed to %s", qPrintable(out));

        // The date box's calendar with its two buttons.
        auto* de = ctl<BoundDateEdit>("DtS1_Data");
        focus(de);
        QTest::mouseClick(de->dropDownButton(), Qt::LeftButton);
        QTRY_VERIFY(de->calendarWidget()->isVisible());
        QVERIFY(de->todayButton()->isVisible());
        QVERIFY(de->clearButton()->isVisible());
        QVERIFY(de->calendarWidget()->window()->grab().save(
            qEnvironmentVariable("VARNO_GRAB_DIR", QDir::tempPath()) + "/calendar.png"));
        QTest::mouseClick(de->clearButton(), Qt::LeftButton);
        QTRY_VERIFY(!de->calendarWidget()->isVisible());
        QVERIFY(!de->shownDate().isValid());
    }

private:
    void QApplicationPrivateActivate() {
        QApplication::setActiveWindow(m_page.get());
        QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
