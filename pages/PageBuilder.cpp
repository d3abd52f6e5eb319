#include "PageBuilder.h"

#include "BoundCheckBox.h"
#include "BoundChoiceBox.h"
#include "BoundDateEdit.h"
#include "BoundEdit.h"
#include "BoundLabel.h"
#include "BoundMemo.h"
#include "BoundPicture.h"
#include "BoundRadioGroup.h"
#include "BoundSpinEdit.h"
#include "WSuperPagina.h"
#include "WebImage.h"

#include <QHash>
#include <QPushButton>
#include <algorithm>

QWidget* PageBuilder::make(TWinSuperPagina* page, const ControlDef& def) {
    QWidget* parent = page->surface();
    QWidget* w = nullptr;
    BoundControl* bound = nullptr;
    switch (def.kind) {
    case ControlKind::Edit: {
        auto* e = new BoundEdit(parent);
        e->setMaxChars(def.maxLength);
        e->setReadOnly(def.readOnly);
        w = e;
        bound = e;
        break;
    }
    case ControlKind::CheckBox: {
        auto* c = new BoundCheckBox(parent);
        w = c;
        bound = c;
        break;
    }
    case ControlKind::RadioGroup: {
        auto* g = new BoundRadioGroup(parent);
        g->setTransparent(def.transparent);
        g->setBold(def.bold);
        g->setColumns(def.columns);
        g->setItems(def.items);
        w = g;
        bound = g;
        break;
    }
    case ControlKind::ChoiceBox: {
        auto* c = new BoundChoiceBox(parent);
        c->setItems(def.items);
        w = c;
        bound = c;
        break;
    }
    case ControlKind::SpinEdit: {
        auto* s = new BoundSpinEdit(parent);
        s->setMaxValue(def.maxValue);
        w = s;
        bound = s;
        break;
    }
    case ControlKind::DateEdit: {
        auto* d = new BoundDateEdit(parent);
        w = d;
        bound = d;
        break;
    }
    case ControlKind::Memo: {
        auto* m = new BoundMemo(parent);
        w = m;
        bound = m;
        break;
    }
    case ControlKind::Label: {
        auto* l = new BoundLabel(parent);
        w = l;
        bound = l;
        break;
    }
    case ControlKind::Picture: {
        auto* p = new BoundPicture(parent);
        w = p;
        bound = p;
        break;
    }
    case ControlKind::PushButton: {
        auto* b = new QPushButton(def.caption, parent);
        w = b;
        break;
    }
    case ControlKind::WebImage: {
        // The picture decoder of the page's picture hook; it takes no input.
        w = new TWebImage(parent);
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
        break;
    }
    }
    w->setObjectName(DefaultControlName(def));
    w->setGeometry(EffectiveRect(def));
    if (bound && !def.field.isEmpty()) {
        bound->setDataField(def.field);
        bound->setDataSource(page->dataSource(std::max(1, def.dataSource)));
    }
    if (def.tabOrder < 0 && w->focusPolicy() != Qt::NoFocus && !qobject_cast<QPushButton*>(w))
        w->setFocusPolicy(Qt::ClickFocus);
    w->setVisible(def.visible);
    return w;
}

QList<QWidget*> PageBuilder::build(TWinSuperPagina* page, const QList<ControlDef>& table) {
    QList<QWidget*> made;
    QList<std::pair<int, QWidget*>> stops;
    for (const ControlDef& def : table) {
        QWidget* w = make(page, def);
        made.append(w);
        if (def.tabOrder >= 0 && w->focusPolicy() != Qt::NoFocus)
            stops.append({def.tabOrder, w});
    }
    std::stable_sort(stops.begin(), stops.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (int i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1].second, stops[i].second);
    return made;
}
