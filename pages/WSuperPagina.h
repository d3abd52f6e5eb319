#pragma once

#include <QWidget>

class Dataset;
class QLabel;
class QScrollArea;

// The base of every page: a borderless form whose only child is the scrolling page surface SbPg,
// which shows the picture of the printed page at its natural size with the controls over it in
// page coordinates.
class TWinSuperPagina : public QWidget {
    Q_OBJECT

public:
    explicit TWinSuperPagina(Dataset* dataset, QWidget* parent = nullptr);

    QScrollArea* SbPg() const { return m_sbPg; }
    // The widget inside the scroll area on which the picture and the controls lie.
    QWidget* surface() const { return m_surface; }
    QLabel* PageBackground() const { return m_background; }
    Dataset* dataset() const { return m_dataset; }

    // Scrolls to the top left.
    void scrollToOrigin();

protected:
    // Shows the page picture and grows the surface to the union of the picture and the controls.
    void setPagePicture(const QPixmap& picture);
    void updateExtent();

private:
    Dataset* m_dataset;
    QScrollArea* m_sbPg;
    QWidget* m_surface;
    QLabel* m_background;
};
