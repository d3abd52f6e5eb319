#include "WSuperPagina.h"

#include "DataSource.h"
#include "PageBuilder.h"
#include "Servizi.h"

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

TWinSuperPagina::TWinSuperPagina(Dataset* dataset, QWidget* parent) : QWidget(parent), m_dataset(dataset) {
    setWindowFlag(Qt::FramelessWindowHint);
    setFont(ProgramFont());
    resize(900, 600);

    m_sbPg = new QScrollArea(this);
    m_sbPg->setObjectName(QStringLiteral("SbPg"));
    m_sbPg->setFrameShape(QFrame::NoFrame);
    m_sbPg->setWidgetResizable(false);
    m_sbPg->setFocusPolicy(Qt::NoFocus);
    m_sbPg->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_sbPg->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_sbPg->setBackgroundRole(QPalette::Base);
    QPalette pal = m_sbPg->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::Base, Qt::white);
    m_sbPg->setPalette(pal);
    m_sbPg->setAutoFillBackground(true);

    m_surface = new QWidget;
    m_surface->setObjectName(QStringLiteral("Surface"));
    m_surface->setFocusPolicy(Qt::NoFocus);
    m_surface->setAutoFillBackground(true);
    m_surface->setPalette(pal);
    m_background = new QLabel(m_surface);
    m_background->setObjectName(QStringLiteral("PageBackground"));
    m_background->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_background->move(0, 0);
    m_background->setFocusPolicy(Qt::NoFocus);
    m_background->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_sbPg->setWidget(m_surface);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_sbPg);
    updateExtent();

    // However the focus comes to a control (Tab from outside the page, a refusal that gives it
    // back, the keys), the surface scrolls the whole control into view. A control clicked is
    // already in view: moving it under the pressed button would lose the click.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (QApplication::mouseButtons() != Qt::NoButton)
            return;
        QWidget* control = now;
        while (control && control->parentWidget() != m_surface)
            control = control->parentWidget();
        if (control)
            m_sbPg->ensureWidgetVisible(control, 8, 8);
    });
}

DataSource* TWinSuperPagina::dataSource(int index) {
    while (m_dataSources.size() < index) {
        auto* ds = new DataSource(m_dataset, this);
        ds->setObjectName(QStringLiteral("DataSource%1").arg(m_dataSources.size() + 1));
        m_dataSources.append(ds);
    }
    return index >= 1 ? m_dataSources[index - 1] : nullptr;
}

bool TWinSuperPagina::UpdateRecord() {
    for (DataSource* ds : std::as_const(m_dataSources))
        if (!ds->UpdateRecord())
            return false;
    return true;
}

bool TWinSuperPagina::WritePendingInto(Dataset& copy) {
    for (DataSource* ds : std::as_const(m_dataSources))
        if (!ds->WritePendingInto(copy))
            return false;
    return true;
}

void TWinSuperPagina::scrollToOrigin() {
    m_sbPg->verticalScrollBar()->setValue(0);
    m_sbPg->horizontalScrollBar()->setValue(0);
}

void TWinSuperPagina::setPagePicture(const QPixmap& picture) {
    m_background->setPixmap(picture);
    m_background->resize(picture.size());
    m_background->lower();
    updateExtent();
}

void TWinSuperPagina::buildControls(const QList<ControlDef>& table) {
    const QList<QWidget*> made = PageBuilder::build(this, table);
    for (QWidget* w : made) {
        m_controls.insert(w->objectName(), w);
        m_controlList.append(w);
    }
    updateExtent();
}

void TWinSuperPagina::updateExtent() {
    // The picture is drawn at its natural size from the top left; its label follows the
    // surface's width, which does not change what it shows.
    QRect extent(QPoint(0, 0), m_background->pixmap().size());
    for (QWidget* child : m_surface->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != m_background && !child->isHidden()) // controls never shown take no room
            extent |= child->geometry();
    extent |= QRect(0, 0, 1, 1);
    m_surface->resize(extent.right() + 1, extent.bottom() + 1);
    m_background->resize(m_surface->width(), m_background->pixmap().height());
}
