#include "BoundCheckBox.h"
#include "BoundChoiceBox.h"
#include "BoundControl.h"
#include "BoundEdit.h"
#include "BoundLabel.h"
#include "BoundMemo.h"
#include "BoundRadioGroup.h"
#include "BoundSpinEdit.h"
#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "ScriptedPrompter.h"
#include "TabellaPagina1.h"
#include "TabellaPagina2.h"
#include "TabellaPagina3.h"
#include "WPagina1.h"
#include "WPagina2.h"
#include "WPagina3.h"

#include <QApplication>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTest>

// The three pages built from their tables, driven through their widgets.
class TestPagine : public QObject {
    Q_OBJECT

    std::unique_ptr<Dataset> m_ds;

    Field* field(const char* name) { return m_ds->fieldByName(QString::fromLatin1(name)); }

    template <typename T> static T* ctl(TWinSuperPagina& page, const char* fieldName) {
        for (QWidget* w : page.controlList())
            if (auto* b = dynamic_cast<BoundControl*>(w); b && b->dataField() == QLatin1String(fieldName))
                if (auto* t = dynamic_cast<T*>(w))
                    return t;
        qFatal("no control on %s", fieldName);
    }

    void newForm() {
        m_ds->createDataSet();
        m_ds->append();
        m_ds->post();
    }

    static void show(TWinSuperPagina& page) {
        page.resize(900, 600);
        page.show();
        QApplication::setActiveWindow(&page);
        QVERIFY(QTest::qWaitForWindowActive(&page));
    }

    static void focus(QWidget* w) {
        w->setFocus(Qt::TabFocusReason);
        QVERIFY(w->hasFocus());
    }

    static void leave(QWidget* w) { QTest::keyClick(w, Qt::Key_Tab); }

    static void clickItem(BoundRadioGroup* g, int item) {
        QRadioButton* b = g->button(item);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }

    // Every control of the table is on the page at its rectangle, and Tab walks the positions.
    static void checkTable(TWinSuperPagina& page, const QList<ControlDef>& table) {
        QMap<int, QWidget*> byTab;
        for (const ControlDef& s : table) {
            QWidget* w = page.control(DefaultControlName(s));
            QVERIFY2(w, qPrintable(DefaultControlName(s)));
            QCOMPARE(w->parentWidget(), page.surface());
            if (s.rect.height() > 0)
                QCOMPARE(w->geometry(), s.rect);
            else
                QCOMPARE(w->geometry().topLeft(), s.rect.topLeft());
            if (!s.field.isEmpty()) {
                auto* b = dynamic_cast<BoundControl*>(w);
                QVERIFY(b);
                QCOMPARE(b->dataField(), s.field);
            }
            if (s.tabOrder >= 0)
                byTab.insert(s.tabOrder, w);
        }
        show(page);
        QWidget* first = byTab.first();
        focus(first);
        for (auto it = std::next(byTab.begin()); it != byTab.end(); ++it) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            QVERIFY2(now == it.value() || it.value()->isAncestorOf(now),
                     qPrintable(QStringLiteral("tab %1").arg(it.key())));
        }
    }

private slots:
    void init() {
        m_ds = std::make_unique<Dataset>(QStringLiteral("TblScheda"));
        m_ds->createFields(SchemaScheda());
        QObject::connect(m_ds.get(), &Dataset::newRecord, m_ds.get(),
                         [](Dataset* d) { TblSchedaNewRecord(d); });
    }

    void tablesOnThePages() {
        newForm();
        {
            TWinPagina1 p(m_ds.get());
            checkTable(p, TabellaPagina1());
            QCOMPARE(p.PageBackground()->pixmap().size(), QSize(900, 1286));
        }
        {
            TWinPagina2 p(m_ds.get());
            checkTable(p, TabellaPagina2());
            QCOMPARE(p.PageBackground()->pixmap().size(), QSize(900, 1274));
        }
        {
            TWinPagina3 p(m_ds.get());
            checkTable(p, TabellaPagina3());
            QCOMPARE(p.PageBackground()->pixmap().size(), QSize(900, 1292));
        }
    }

    void pagina1NewForm() {
        TWinPagina1 p(m_ds.get());
        newForm();
        show(p);
        QCOMPARE(ctl<BoundEdit>(p, "S1_Squadra")->text(), QString());
        QCOMPARE(ctl<BoundEdit>(p, "S2_NUnitaUsoA")->text(), QStringLiteral("0"));
        QCOMPARE(ctl<BoundEdit>(p, "S2_Occupanti")->text(), QStringLiteral("0"));
        QCOMPARE(ctl<BoundRadioGroup>(p, "S1_TipoIndirizzo")->itemIndex(), 0);
        QCOMPARE(ctl<BoundRadioGroup>(p, "S1_TipoPosizione")->itemIndex(), 0);
        QCOMPARE(ctl<BoundRadioGroup>(p, "S2_NPianiTotali")->itemIndex(), 0);
        QCOMPARE(ctl<BoundRadioGroup>(p, "S2_AltezzaMediaPiano")->itemIndex(), 1);
        QCOMPARE(ctl<BoundRadioGroup>(p, "S2_PianiInterrati")->itemIndex(), 0);
        QCOMPARE(ctl<BoundRadioGroup>(p, "S2_SuperficieMediaPiano")->itemIndex(), 2);
        QCOMPARE(ctl<BoundRadioGroup>(p, "S2_Utilizzazione")->itemIndex(), 0);
        QCOMPARE(ctl<BoundRadioGroup>(p, "S2_Proprieta")->itemIndex(), 1);
        QCOMPARE(ctl<BoundChoiceBox>(p, "S2_EtaCostruzione")->currentText(), QStringLiteral("fino al 1919 "));
        QCOMPARE(ctl<BoundChoiceBox>(p, "S2_EtaRistrutturazione")->currentText(),
                 QStringLiteral("fino al 1919 "));
    }

    void pagina1Storeys() {
        TWinPagina1 p(m_ds.get());
        newForm();
        show(p);
        auto* storeys = ctl<BoundRadioGroup>(p, "S2_NPianiTotali");
        auto* height = ctl<BoundRadioGroup>(p, "S2_AltezzaMediaPiano");
        p.SbPg()->ensureWidgetVisible(storeys);
        clickItem(storeys, 12);
        leave(QApplication::focusWidget());
        QCOMPARE(field("S2_NPianiTotali")->asInteger(), 13);
        QCOMPARE(storeys->button(12)->text(), QStringLiteral(">12"));
        clickItem(height, 2);
        leave(QApplication::focusWidget());
        QCOMPARE(field("S2_AltezzaMediaPiano")->asInteger(), 3);
        QCOMPARE(field("S2_NPianiTotali")->asInteger(), 13);
        // A stored 13 selects ">12".
        m_ds->close();
        newForm();
        field("S2_NPianiTotali")->setValue(13);
        m_ds->post();
        QCOMPARE(storeys->itemIndex(), 12);
    }

    void pagina1Edits() {
        ScriptedPrompter prompter;
        TWinPagina1 p(m_ds.get());
        newForm();
        show(p);
        auto* via = ctl<BoundEdit>(p, "S1_Via");
        focus(via);
        QTest::keyClicks(via, QStringLiteral("ABCDEFGHIJKLMNOPQR"));
        QCOMPARE(via->text(), QStringLiteral("ABCDEFGHIJKLMNOPQ"));
        leave(via);
        QCOMPARE(field("S1_Via")->asString(), QStringLiteral("ABCDEFGHIJKLMNOPQ"));

        auto* units = ctl<BoundEdit>(p, "S2_NUnitaUsoB");
        p.SbPg()->ensureWidgetVisible(units);
        focus(units);
        units->selectAll();
        QTest::keyClicks(units, QStringLiteral("1a"));
        QCOMPARE(units->text(), QStringLiteral("1"));
        units->selectAll();
        QTest::keyClicks(units, QStringLiteral("70000"));
        leave(units);
        QCOMPARE(prompter.shown.size(), 1);
        QCOMPARE(prompter.shown[0].text,
                 QStringLiteral("70000 is not a valid value for field 'S2_NUnitaUsoB'. "
                                "The allowed range is -32768 to 32767"));
        QVERIFY(units->hasFocus());
        QCOMPARE(field("S2_NUnitaUsoB")->asInteger(), 0);
    }

    void pagina1ChoiceBoxes() {
        TWinPagina1 p(m_ds.get());
        newForm();
        auto* built = ctl<BoundChoiceBox>(p, "S2_EtaCostruzione");
        QStringList texts;
        for (int i = 0; i < built->count(); ++i)
            texts << built->itemText(i);
        QCOMPARE(texts, (QStringList{"fino al 1919 ", "dal 1919  al 1945", "dal 1946 al 1961",
                                     "dal 1962 al 1971", "dal 1972 al 1981", "dal 1982 al 1991",
                                     "dal 1992 al 2001", "dal 2002 in poi"}));
        field("S2_EtaCostruzione")->setValue(0);
        m_ds->post();
        QCOMPARE(built->currentText(), QString());
        QCOMPARE(field("S2_EtaCostruzione")->asInteger(), 0);
    }

    void pagina1ScrollsAndResets() {
        TWinPagina1 p(m_ds.get());
        newForm();
        show(p);
        auto* occupants = ctl<BoundEdit>(p, "S2_Occupanti");
        p.SbPg()->verticalScrollBar()->setValue(p.SbPg()->verticalScrollBar()->maximum());
        QVERIFY(p.SbPg()->verticalScrollBar()->value() > 0);
        QCOMPARE(occupants->geometry().topLeft(), QPoint(794, 1033)); // page coordinates kept
        QCOMPARE(occupants->mapTo(p.surface(), QPoint(0, 0)) - p.PageBackground()->pos(), QPoint(794, 1033));
        p.scrollToOrigin();
        QCOMPARE(p.SbPg()->verticalScrollBar()->value(), 0);
        QCOMPARE(p.SbPg()->horizontalScrollBar()->value(), 0);
    }

    void pagina2NewFormAndCells() {
        TWinPagina2 p(m_ds.get());
        newForm();
        show(p);
        for (QWidget* w : p.controlList())
            if (auto* c = dynamic_cast<BoundCheckBox*>(w))
                QCOMPARE(c->checkState(), Qt::Unchecked);
        auto* colF = ctl<BoundRadioGroup>(p, "S3_TM_F");
        QCOMPARE(colF->itemIndex(), 1); // NO
        QCOMPARE(ctl<BoundRadioGroup>(p, "S3_RegolaritaPianta")->itemIndex(), 1);
        QCOMPARE(ctl<BoundRadioGroup>(p, "S3_RegolaritaTamponature")->itemIndex(), 1);
        QCOMPARE(ctl<BoundRadioGroup>(p, "S3_Copertura")->itemIndex(), 0);
        QCOMPARE(ctl<BoundRadioGroup>(p, "S7_MorfologiaSito")->itemIndex(), 0);
        QCOMPARE(ctl<BoundRadioGroup>(p, "S7_Dissesto")->itemIndex(), 0);
        // Cells combine freely: ticking one leaves the others as they are.
        for (const char* name :
             {"S3_TM_A1", "S3_TM_A2", "S3_TM_E6", "S4_Danno_L6", "S4_PI_F5", "S5_G6", "S6_E2"}) {
            auto* c = ctl<BoundCheckBox>(p, name);
            p.SbPg()->ensureWidgetVisible(c);
            QTest::mouseClick(c, Qt::LeftButton);
            leave(c);
        }
        for (const char* name :
             {"S3_TM_A1", "S3_TM_A2", "S3_TM_E6", "S4_Danno_L6", "S4_PI_F5", "S5_G6", "S6_E2"})
            QVERIFY2(field(name)->asBoolean(), name);
        QVERIFY(!field("S3_TM_A3")->asBoolean());
        // Column F: yes stores true.
        p.SbPg()->ensureWidgetVisible(colF);
        clickItem(colF, 0);
        leave(QApplication::focusWidget());
        QCOMPARE(field("S3_TM_F")->value(), QVariant(true));
    }

    // Where a group's rectangle overlaps a button of the group before it, a click on that button
    // reaches it: the bottom of the "G" button of Utilizzazione lies under the Proprietà group.
    void clickOnAButtonUnderAnotherGroup() {
        newForm();
        TWinPagina1 p(m_ds.get());
        show(p);
        auto* use = ctl<BoundRadioGroup>(p, "S2_Utilizzazione");
        auto* owner = ctl<BoundRadioGroup>(p, "S2_Proprieta");
        const QVariant ownerBefore = field("S2_Proprieta")->value();
        QRadioButton* g = use->button(6);
        const QRect gOnSurface(g->mapTo(p.surface(), QPoint(0, 0)), g->size());
        const QPoint at(gOnSurface.left() + 6, owner->geometry().top() + 1);
        QVERIFY(gOnSurface.contains(at));
        QVERIFY(owner->geometry().contains(at));
        p.SbPg()->ensureVisible(at.x(), at.y());
        // Through the window, so that the widget under the point takes the click.
        QTest::mouseClick(p.windowHandle(), Qt::LeftButton, {}, p.surface()->mapTo(&p, at));
        QCOMPARE(use->itemIndex(), 6);
        leave(QApplication::focusWidget());
        QCOMPARE(field("S2_Utilizzazione")->asString(), QStringLiteral("G"));
        QCOMPARE(field("S2_Proprieta")->value(), ownerBefore);
        // The group's own buttons still take their clicks.
        clickItem(owner, 0);
        QCOMPARE(owner->itemIndex(), 0);
    }

    // The printed pictures under the controls: no printed stroke shows where a control leaves
    // the page visible around its value.
    void picturesLeaveTheControlsClear() {
        newForm();
        const auto light = [](const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) > 200; };
        {
            // Page 3: the header values sit inside their boxes, clear of the box's edges.
            TWinPagina3 p(m_ds.get());
            const QImage img = p.PageBackground()->pixmap().toImage();
            for (const char* f : {"S1_IstatProv", "S1_IstatComune", "S1_Squadra", "S1_SchedaN", "S1_Data"}) {
                const QRect r = ctl<BoundLabel>(p, f)->geometry();
                for (int x = r.left(); x < r.left() + 30; ++x)
                    QVERIFY2(light(img, x, r.top()), f);
                for (int y = r.top(); y < r.top() + 12; ++y)
                    QVERIFY2(light(img, r.left(), y), f);
            }
            // No ruled lines in the gaps beside the memos and the photograph.
            const QRect notes = ctl<BoundMemo>(p, "S9_Annotazioni")->geometry();
            for (int y = notes.top(); y < notes.bottom(); ++y)
                for (int x : {notes.right() + 2, notes.right() + 4})
                    QVERIFY2(light(img, x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        }
        {
            // Page 2: each printed square lies inside its check box's own box; section 7 has no
            // rule along the tops of its radio buttons.
            TWinPagina2 p(m_ds.get());
            const QImage img = p.PageBackground()->pixmap().toImage();
            int squares = 0;
            for (QWidget* w : p.controlList()) {
                auto* cb = qobject_cast<BoundCheckBox*>(w);
                if (!cb || cb->isHidden())
                    continue;
                ++squares;
                const QRect r = cb->geometry();
                QVERIFY2(light(img, r.left() + 14, r.top() + r.height() / 2), qPrintable(cb->objectName()));
                QVERIFY2(light(img, r.left() + 7, r.top() + (r.height() - 14) / 2 + 14),
                         qPrintable(cb->objectName()));
            }
            QVERIFY(squares > 100);
            auto* morfologia = ctl<BoundRadioGroup>(p, "S7_MorfologiaSito");
            QList<int> centres;
            for (int i = 0; morfologia->button(i); ++i)
                centres << morfologia->x() + morfologia->button(i)->x() + 7;
            const int circleTop = morfologia->y() + morfologia->height() / 2 - 7; // one row
            for (int x = morfologia->x(); x < 405; ++x) {                         // up to the column's edge
                if (std::any_of(centres.begin(), centres.end(), [x](int c) { return qAbs(x - c) <= 9; }))
                    continue;
                for (int y = circleTop - 1; y <= circleTop + 1; ++y)
                    QVERIFY2(light(img, x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        }
    }

    // A caption shown beside its button ends clear of the next button of its row.
    void captionsClearTheNextButton() {
        newForm();
        TWinPagina2 p(m_ds.get());
        show(p);
        int groups = 0;
        for (QWidget* w : p.controlList()) {
            auto* g = qobject_cast<BoundRadioGroup*>(w);
            if (!g || g->button(0)->text().isEmpty())
                continue;
            ++groups;
            for (int i = 0; g->button(i + 1); ++i) {
                QRadioButton* b = g->button(i);
                QRadioButton* next = g->button(i + 1);
                if (next->y() != b->y())
                    continue; // the next item starts another column
                const int end = b->x() + b->fontMetrics().horizontalAdvance(b->text()) +
                                b->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b) +
                                b->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, b);
                QVERIFY2(
                    next->x() - end >= 6,
                    qPrintable(
                        QStringLiteral("%1 %2: %3").arg(g->objectName(), b->text()).arg(next->x() - end)));
            }
        }
        QVERIFY(groups >= 2);
    }

    void pagina2HeaderAndUnmatched() {
        TWinPagina2 p(m_ds.get());
        newForm();
        show(p);
        auto labels = [&] {
            QStringList t;
            for (const char* f : {"S1_IstatProv", "S1_IstatComune", "S1_Squadra", "S1_SchedaN", "S1_Data"})
                t << ctl<BoundLabel>(p, f)->text();
            return t;
        };
        QCOMPARE(labels().mid(0, 4), (QStringList{"", "", "", ""}));
        field("S1_IstatProv")->setAsString(QStringLiteral("066"));
        field("S1_Squadra")->setAsString(QStringLiteral("12"));
        QCOMPARE(labels()[0], QStringLiteral("066"));
        QCOMPARE(labels()[2], QStringLiteral("12"));
        QCOMPARE(labels()[1], QString());
        // A value matching no item selects nothing; a choice stores its value.
        field("S3_Copertura")->setValue(7);
        field("S7_Dissesto")->setAsString(QStringLiteral("a"));
        m_ds->post();
        auto* roof = ctl<BoundRadioGroup>(p, "S3_Copertura");
        QCOMPARE(roof->itemIndex(), -1);
        QCOMPARE(ctl<BoundRadioGroup>(p, "S7_Dissesto")->itemIndex(), -1);
        p.SbPg()->ensureWidgetVisible(roof);
        clickItem(roof, 3);
        leave(QApplication::focusWidget());
        QCOMPARE(field("S3_Copertura")->asInteger(), 4);
    }

    void pagina3() {
        ScriptedPrompter prompter;
        TWinPagina3 p(m_ds.get());
        newForm();
        show(p);
        for (const char* g : {"S8_RischioSez_3_4", "S8_RischioSez_5", "S8_RischioSez_6", "S8_RischioSez_7"})
            QCOMPARE(ctl<BoundRadioGroup>(p, g)->itemIndex(), 0);
        auto* esito = ctl<BoundRadioGroup>(p, "S8_Esito");
        QCOMPARE(esito->itemIndex(), 0);
        QCOMPARE(ctl<BoundSpinEdit>(p, "S8_UnitaImmobiliariInagibili")->text(), QStringLiteral("0"));
        // The outcome is independent of the risks.
        auto* risk = ctl<BoundRadioGroup>(p, "S8_RischioSez_3_4");
        clickItem(risk, 2);
        leave(QApplication::focusWidget());
        QCOMPARE(field("S8_RischioSez_3_4")->asInteger(), 3);
        QCOMPARE(field("S8_Esito")->asString(), QStringLiteral("A"));
        clickItem(esito, 4);
        leave(QApplication::focusWidget());
        QCOMPARE(field("S8_Esito")->asString(), QStringLiteral("E"));
        QCOMPARE(field("S8_RischioSez_3_4")->asInteger(), 3);

        // The reason is kept when the accuracy changes.
        auto* accuracy = ctl<BoundChoiceBox>(p, "S8_AccuratezzaVisita");
        auto* reason = ctl<BoundChoiceBox>(p, "S8_TipoVisitaNonEseguita");
        focus(reason);
        reason->setCurrentIndex(1);
        leave(reason);
        const QString chosen = field("S8_TipoVisitaNonEseguita")->asString();
        QVERIFY(!chosen.isEmpty());
        focus(accuracy);
        accuracy->setCurrentIndex(0);
        leave(accuracy);
        QCOMPARE(field("S8_TipoVisitaNonEseguita")->asString(), chosen);

        // A measure set back to empty stores 0.
        auto* measure = ctl<BoundChoiceBox>(p, "S8_PIRapidoSuggerito_1");
        p.SbPg()->ensureWidgetVisible(measure);
        focus(measure);
        measure->setCurrentIndex(2);
        leave(measure);
        QCOMPARE(field("S8_PIRapidoSuggerito_1")->asInteger(), 2);
        focus(measure);
        measure->setCurrentIndex(0);
        leave(measure);
        QCOMPARE(field("S8_PIRapidoSuggerito_1")->asInteger(), 0);

        // Counters: clamped to MaxValue, no lower bound, cleared gives 0.
        auto* units = ctl<BoundSpinEdit>(p, "S8_UnitaImmobiliariInagibili");
        p.SbPg()->ensureWidgetVisible(units);
        focus(units);
        units->selectAll();
        QTest::keyClicks(units, QStringLiteral("150"));
        leave(units);
        QCOMPARE(field("S8_UnitaImmobiliariInagibili")->asInteger(), 99);
        focus(units);
        units->selectAll();
        QTest::keyClicks(units, QStringLiteral("-3"));
        leave(units);
        QCOMPARE(field("S8_UnitaImmobiliariInagibili")->asInteger(), -3);
        focus(units);
        units->selectAll();
        QTest::keyClick(units, Qt::Key_Delete);
        leave(units);
        QCOMPARE(field("S8_UnitaImmobiliariInagibili")->asInteger(), 0);
        QCOMPARE(ctl<BoundSpinEdit>(p, "S8_NumeroPersoneEvaquate")->maxValue(), 999);

        // Edits stop at 255 characters, memos take any length.
        auto* compiler = ctl<BoundEdit>(p, "S9_Compilatore");
        p.SbPg()->ensureWidgetVisible(compiler);
        focus(compiler);
        QTest::keyClicks(compiler, QString(256, u'x'));
        QCOMPARE(compiler->text().size(), 255);
        auto* notes = ctl<BoundMemo>(p, "S9_Annotazioni");
        p.SbPg()->ensureWidgetVisible(notes);
        focus(notes);
        notes->insertPlainText(QString(3000, u'y'));
        leave(notes);
        QCOMPARE(field("S9_Annotazioni")->asString().size(), 3000);
        QVERIFY(prompter.shown.isEmpty());
    }
};

QTEST_MAIN(TestPagine)
#include "tst_pagine.moc"
