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

#include <QPushButton>
#include <algorithm>

QWidget* PageBuilder::make(TWinSuperPagina* page, const ControlSpec& spec) {
    QWidget* parent = page->surface();
    QWidget* w = nullptr;
    BoundControl* bound = nullptr;
    switch (spec.kind) {
    case ControlKind::Edit: {
        auto* e = new BoundEdit(parent);
        e->setMaxChars(spec.maxLength);
        e->setReadOnly(spec.readOnly);
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
        g->setTransparent(spec.transparent);
        g->setBold(spec.bold);
        g->setColumns(spec.columns);
        g->setItems(spec.items);
        w = g;
        bound = g;
        break;
    }
    case ControlKind::ChoiceBox: {
        auto* c = new BoundChoiceBox(parent);
        c->setItems(spec.items);
        w = c;
        bound = c;
        break;
    }
    case ControlKind::SpinEdit: {
        auto* s = new BoundSpinEdit(parent);
        s->setMaxValue(spec.maxValue);
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
        auto* b = new QPushButton(spec.caption, parent);
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
    w->setObjectName(DefaultControlName(spec));
    w->setGeometry(EffectiveRect(spec));
    if (bound && !spec.field.isEmpty()) {
        bound->setDataField(spec.field);
        bound->setDataSource(page->dataSource(std::max(1, spec.dataSource)));
    }
    if (spec.tabOrder < 0 && w->focusPolicy() != Qt::NoFocus && !qobject_cast<QPushButton*>(w))
        w->setFocusPolicy(Qt::ClickFocus);
    w->setVisible(spec.visible);
    return w;
}

QList<QWidget*> PageBuilder::build(TWinSuperPagina* page, const QList<ControlSpec>& table) {
    QList<QWidget*> made;
    QList<std::pair<int, QWidget*>> stops;
    for (const ControlSpec& spec : table) {
        QWidget* w = make(page, spec);
        made.append(w);
        if (spec.tabOrder >= 0 && w->focusPolicy() != Qt::NoFocus)
            stops.append({spec.tabOrder, w});
    }
    std::stable_sort(stops.begin(), stops.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (int i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1].second, stops[i].second);
    return made;
}
