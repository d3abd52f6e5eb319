#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <climits>

// The description of a page as data: one ControlDef per control, in the order the page lists
// them (a later control lies on top of an earlier one where their rectangles overlap). Nothing
// here needs widgets, so the program that draws the page pictures reads the same tables.

enum class ControlKind {
    Edit,       // BoundEdit
    CheckBox,   // BoundCheckBox
    RadioGroup, // BoundRadioGroup
    ChoiceBox,  // BoundChoiceBox
    SpinEdit,   // BoundSpinEdit
    DateEdit,   // BoundDateEdit
    Memo,       // BoundMemo
    Label,      // BoundLabel
    Picture,    // BoundPicture
    PushButton, // an unbound push button
    WebImage,   // the invisible picture decoder
};

// One item of a radio group (Caption) or of a choice box (Description) with its Value: an int,
// a text or a bool. An item without a Value (invalid QVariant) stands for its caption.
struct ControlItem {
    QString caption;
    QVariant value;
};

struct ControlDef {
    ControlKind kind = ControlKind::Edit;
    QString field;      // bound field of the form record; empty for unbound controls
    QRect rect;         // page coordinates; height 0 takes the kind's single-line height
    int tabOrder = -1;  // position in the page's tab order; -1 for none
    QString name;       // object name; empty takes the kind's prefix and the field name
    int dataSource = 1; // DataSource1 or DataSource2 of the page
    int maxLength = -1; // characters a BoundEdit accepts; -1 takes the field's size
    QList<ControlItem> items;
    int columns = 1;         // radio groups
    bool transparent = true; // radio groups: false paints the rectangle white
    bool bold = false;       // radio groups: captions in bold
    int maxValue = INT_MAX;  // spin edits: the upper bound
    bool readOnly = false;
    bool visible = true;
    QString caption; // push buttons
};

// Height of the single-line kinds whose height the tables leave open: one line of the page font
// with its border; a BoundEdit is 19 high.
constexpr int kSingleLineHeight = 21;
constexpr int kEditHeight = 19;

// The object name a control gets when its description gives none.
QString DefaultControlName(const ControlDef& def);
// The rectangle with its open height filled in.
QRect EffectiveRect(const ControlDef& def);

// Radio button placement: columns = min(columns given, items), rows = ceil(items / columns),
// item i in column i / rows and row i % rows.
struct RadioLayout {
    int columns = 0;
    int rows = 0;
    int columnOf(int item) const { return rows > 0 ? item / rows : 0; }
    int rowOf(int item) const { return rows > 0 ? item % rows : 0; }
};
RadioLayout RadioGroupLayout(int itemCount, int columnsGiven);
// The cell of item i in a group rectangle of the given size, in the group's own coordinates.
QRect RadioCell(const RadioLayout& layout, QSize groupSize, int item);

// Value matching of radio groups and choice boxes: the index of the first item whose Value equals
// the field's value, or -1. Numbers compare by value, texts exactly; when one side is a Boolean
// both compare as the texts "True" / "False". Null matches nothing.
int MatchItem(const QList<ControlItem>& items, const QVariant& fieldValue);
// The text form used for comparing with a Boolean.
QString MatchText(const QVariant& value);

// A grid of check boxes given by its column edges and row tops. Cells are made column by column,
// each named prefix + column letter + row number, with consecutive tab positions from firstTab;
// cells listed in missing are left out (and take no position).
struct GridColumn {
    QString letter;
    int x = 0;
};
struct GridRow {
    QString number;
    int y = 0;
};
QList<ControlDef> GridCells(const QString& prefix, const QList<GridColumn>& columns,
                            const QList<GridRow>& rows, QSize cellSize, int firstTab,
                            const QStringList& missing = {}, ControlKind kind = ControlKind::CheckBox);
// The description bound to a field in a table, for the exceptions of a generated grid; nullptr
// when there is none.
ControlDef* FindDef(QList<ControlDef>& table, const QString& field);
