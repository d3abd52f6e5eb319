#include "ControlloPagine.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>
#include <QWheelEvent>

namespace {
// The tab bar hands every change of page to its page control.
class BarraPagine : public QTabBar {
public:
    explicit BarraPagine(ControlloPagine* owner) : QTabBar(owner), m_owner(owner) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            const int index = tabAt(event->position().toPoint());
            if (index >= 0 && index != currentIndex()) {
                m_owner->mostraPagina(index);
                event->accept();
                return;
            }
        }
        QTabBar::mousePressEvent(event);
    }

    void wheelEvent(QWheelEvent* event) override {
        const QPoint d = event->angleDelta();
        const int delta = qAbs(d.x()) > qAbs(d.y()) ? d.x() : d.y();
        m_accumulated += delta;
        if (qAbs(m_accumulated) >= 120) {
            const int steps = m_accumulated > 0 ? -1 : 1;
            m_accumulated = 0;
            m_owner->passaAPagina(steps, false);
        }
        event->accept();
    }

    void keyPressEvent(QKeyEvent* event) override {
        const bool vertical = shape() == QTabBar::RoundedWest || shape() == QTabBar::RoundedEast ||
                              shape() == QTabBar::TriangularWest || shape() == QTabBar::TriangularEast;
        const int back = vertical ? Qt::Key_Up : Qt::Key_Left;
        const int forward = vertical ? Qt::Key_Down : Qt::Key_Right;
        if (event->key() == back || event->key() == forward) {
            m_owner->passaAPagina(event->key() == forward ? 1 : -1, false);
            event->accept();
            return;
        }
        QTabBar::keyPressEvent(event);
    }

private:
    ControlloPagine* m_owner;
    int m_accumulated = 0;
};
} // namespace

ControlloPagine::ControlloPagine(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new BarraPagine(this));
}

bool ControlloPagine::raggiungibile(int index) const {
    return index >= 0 && index < count() && isTabVisible(index) && isTabEnabled(index);
}

void ControlloPagine::mostraPagina(int index) {
    if (!raggiungibile(index) || index == currentIndex())
        return;
    if (m_lasciaPagina && !m_lasciaPagina())
        return;
    setCurrentIndex(index);
}

void ControlloPagine::passaAPagina(int steps, bool cycle) {
    const int n = count();
    if (n == 0 || steps == 0)
        return;
    const int dx = steps > 0 ? 1 : -1;
    int page = currentIndex();
    for (int pass = 0; pass < n; ++pass) {
        page += dx;
        if (page < 0 || page >= n) {
            if (!cycle)
                return;
            page = page < 0 ? n - 1 : 0;
        }
        if (raggiungibile(page)) {
            mostraPagina(page);
            return;
        }
    }
}

void ControlloPagine::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (ctrl && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)) {
        const bool back = event->key() == Qt::Key_Backtab || event->modifiers() & Qt::ShiftModifier;
        passaAPagina(back ? -1 : 1, true);
        event->accept();
        return;
    }
    if (ctrl && (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown)) {
        passaAPagina(event->key() == Qt::Key_PageUp ? -1 : 1, true);
        event->accept();
        return;
    }
    QTabWidget::keyPressEvent(event);
}
