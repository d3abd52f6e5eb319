#include "WSuperPagina.h"

#include "Servizi.h"

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
    m_sbPg->setBackgroundRole(QPalette::Base);
    QPalette pal = m_sbPg->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::Base, Qt::white);
    m_sbPg->setPalette(pal);
    m_sbPg->setAutoFillBackground(true);

    m_surface = new QWidget;
    m_surface->setObjectName(QStringLiteral("Surface"));
    m_surface->setAutoFillBackground(true);
    m_surface->setPalette(pal);
    m_background = new QLabel(m_surface);
    m_background->setObjectName(QStringLiteral("PageBackground"));
    m_background->move(0, 0);
    m_background->setFocusPolicy(Qt::NoFocus);
    m_sbPg->setWidget(m_surface);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_sbPg);
    updateExtent();
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

void TWinSuperPagina::updateExtent() {
    QRect extent(0, 0, 1, 1);
    for (QWidget* child : m_surface->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isHidden() || child == m_background)
            extent |= child->geometry();
    m_surface->resize(extent.right() + 1, extent.bottom() + 1);
}
