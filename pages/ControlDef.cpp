#include "ControlDef.h"

#include "Cp1252.h"

#include <QMetaType>
#include <algorithm>

QString DefaultControlName(const ControlDef& def) {
    if (!def.name.isEmpty())
        return def.name;
    const char* prefix = "";
    switch (def.kind) {
    case ControlKind::Edit:
        prefix = "Ed";
        break;
    case ControlKind::CheckBox:
        prefix = "Chk";
        break;
    case ControlKind::RadioGroup:
        prefix = "Rg";
        break;
    case ControlKind::ChoiceBox:
        prefix = "Cb";
        break;
    case ControlKind::SpinEdit:
        prefix = "Se";
        break;
    case ControlKind::DateEdit:
        prefix = "Dt";
        break;
    case ControlKind::Memo:
        prefix = "Mm";
        break;
    case ControlKind::Label:
        prefix = "Lbl";
        break;
    case ControlKind::Picture:
        prefix = "Img";
        break;
    case ControlKind::PushButton:
        prefix = "Btn";
        break;
    case ControlKind::WebImage:
        prefix = "WebImage";
        break;
    }
    return QString::fromLatin1(prefix) + def.field;
}

QRect EffectiveRect(const ControlDef& def) {
    QRect r = def.rect;
    if (r.height() <= 0)
        r.setHeight(def.kind == ControlKind::Edit ? kEditHeight : kSingleLineHeight);
    return r;
}

RadioLayout RadioGroupLayout(int itemCount, int columnsGiven) {
    RadioLayout l;
    if (itemCount <= 0)
        return l;
    l.columns = std::clamp(columnsGiven, 1, itemCount);
    l.rows = (itemCount + l.columns - 1) / l.columns;
    return l;
}

QRect RadioCell(const RadioLayout& layout, QSize groupSize, int item) {
    if (layout.columns <= 0 || layout.rows <= 0)
        return {};
    const int c = layout.columnOf(item), r = layout.rowOf(item);
    // Equal cells; the edges are rounded so that the cells tile the group exactly.
    const int x0 = c * groupSize.width() / layout.columns, x1 = (c + 1) * groupSize.width() / layout.columns;
    const int y0 = r * groupSize.height() / layout.rows, y1 = (r + 1) * groupSize.height() / layout.rows;
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

namespace {
bool isBool(const QVariant& v) {
    return v.typeId() == QMetaType::Bool;
}

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

QString asText(const QVariant& v) {
    if (v.typeId() == QMetaType::QByteArray)
        return Cp1252::decode(v.toByteArray()); // field text is Windows-1252
    return v.toString();
}

bool sameValue(const QVariant& item, const QVariant& field) {
    if (isBool(item) || isBool(field))
        return MatchText(item) == MatchText(field);
    if (isNumber(item) && isNumber(field))
        return item.toLongLong() == field.toLongLong();
    if (isNumber(item) != isNumber(field)) {
        // A number against a text: equal only when the text is exactly that number.
        const QVariant& num = isNumber(item) ? item : field;
        const QString text = asText(isNumber(item) ? field : item);
        bool ok = false;
        const qlonglong n = text.toLongLong(&ok);
        return ok && n == num.toLongLong() && text == QString::number(n);
    }
    return asText(item) == asText(field);
}
} // namespace

QString MatchText(const QVariant& value) {
    if (isBool(value))
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return asText(value);
}

int MatchItem(const QList<ControlItem>& items, const QVariant& fieldValue) {
    if (!fieldValue.isValid())
        return -1;
    for (int i = 0; i < items.size(); ++i) {
        const QVariant item = items[i].value.isValid() ? items[i].value : QVariant(items[i].caption);
        if (sameValue(item, fieldValue))
            return i;
    }
    return -1;
}

QList<ControlDef> GridCells(const QString& prefix, const QList<GridColumn>& columns,
                            const QList<GridRow>& rows, QSize cellSize, int firstTab,
                            const QStringList& missing, ControlKind kind) {
    QList<ControlDef> cells;
    int tab = firstTab;
    for (const GridColumn& c : columns) {
        for (const GridRow& r : rows) {
            const QString cell = c.letter + r.number;
            if (missing.contains(cell))
                continue;
            ControlDef s;
            s.kind = kind;
            s.field = prefix + cell;
            s.rect = QRect(QPoint(c.x, r.y), cellSize);
            s.tabOrder = tab++;
            cells.append(s);
        }
    }
    return cells;
}

ControlDef* FindDef(QList<ControlDef>& table, const QString& field) {
    for (ControlDef& s : table)
        if (s.field == field)
            return &s;
    return nullptr;
}
