#pragma once

#include <QFont>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRect>
#include <QString>

// A printed page of the survey form being drawn: 900 pixels wide, white, with the few strokes
// and lettering styles the paper form uses. Page coordinates are those of the screen pages.
// The canvas draws either into its own image (the page JPEGs) or through a painter it is given,
// whose transformation maps page coordinates onto the device (a PDF or a printer: vector
// strokes and real text).
class PageCanvas {
public:
    static constexpr int kWidth = 900;

    enum Style {
        Plain,   // small upright lettering of the grids
        Small,   // notes and footnotes
        Bold,    // headings
        Italic,  // explanations
        Title,   // page title lines
        Section, // white lettering of a section band
    };

    explicit PageCanvas(int height);
    // Draws through `painter`, which stays the caller's; its state is restored when the canvas
    // goes. Nothing is filled: the device's own white is the paper.
    PageCanvas(QPainter& painter, int height);
    ~PageCanvas();
    PageCanvas(const PageCanvas&) = delete;
    PageCanvas& operator=(const PageCanvas&) = delete;

    QPainter& painter() { return m_painter; }
    int height() const { return m_height; }
    // The drawn page; a null image for a canvas drawing through a painter it was given.
    QImage image();

    static QFont font(Style style, int pixelSize = 0);

    // Strokes.
    void frame(const QRect& r, qreal width = 1.2);
    void hline(int x1, int x2, int y, qreal width = 0.8);
    void vline(int x, int y1, int y2, qreal width = 0.8);
    void fill(const QRect& r, const QColor& colour);
    // A shaded band with a section number and title, as each section of the form begins.
    void sectionBand(const QRect& r, const QString& number, const QString& title, const QString& note = {});

    // Lettering inside a rectangle.
    void text(const QRect& r, const QString& t, Style style = Plain,
              Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter, int pixelSize = 0);
    // Lettering standing on a baseline: starting at x (AlignLeft) or ending at x (AlignRight).
    void textOnBaseline(int x, int baseline, const QString& t, Style style = Plain,
                        Qt::Alignment align = Qt::AlignLeft, int pixelSize = 0);
    // The baseline of the value that a label of the program's font shows from `top` down.
    static int labelBaseline(int top);

    // Lettering that wraps inside a rectangle.
    void paragraph(const QRect& r, const QString& t, Style style = Small, int pixelSize = 0,
                   Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop);
    // Lettering rotated by 90 degrees, reading upwards, centred in the rectangle.
    void upright(const QRect& r, const QString& t, Style style = Plain, int pixelSize = 0);

    // Where the inspector writes: a thin box, a dotted line, a small square for a tick, a small
    // circle for a choice.
    void writeBox(const QRect& r);
    void writeLine(int x1, int x2, int y);
    void tickSquare(const QRect& r);
    void choiceCircle(const QPoint& centre, int radius = 5);

    // A line through the given points ending in an arrowhead at the last one.
    void arrow(const QList<QPoint>& points, qreal width = 0.9);
    // Thin ruled lines across a rectangle, the first one pitch below its top.
    void ruledLines(const QRect& r, int pitch);

    // Where a radio button of a group sits in its cell: at the left, vertically centred.
    static QPoint radioButtonCentre(const QRect& cell);
    static constexpr int kRadioButtonSize = 13;

    // The emblem of the form's header: a stylised building on a ground line in a circle.
    void emblem(const QPoint& centre, int radius);

    static const QColor kInk;
    static const QColor kBand;
    static const QColor kTint;

private:
    int m_height;
    QImage m_image;
    QPainter m_own;
    QPainter& m_painter; // m_own, or the painter given
};

// JPEG at the given quality through Qt's image writer.
bool SaveJpeg(const QImage& image, const QString& path, int quality = 88);
