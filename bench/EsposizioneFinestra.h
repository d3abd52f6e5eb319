#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

// For the start-up benchmark's children: once the window is exposed and its first paint has been
// handed to the window system, prints "exposed WIDTH HEIGHT" and ends the process at once.
class EsposizioneFinestra : public QObject {
public:
    explicit EsposizioneFinestra(QWidget* window) : QObject(window), m_window(window) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && watched == m_window->windowHandle() &&
            m_window->windowHandle()->isExposed() && !m_reported) {
            m_reported = true;
            // The expose is painted and flushed while it is handled; the timer runs after that.
            QTimer::singleShot(0, [w = m_window] {
                std::printf("exposed %d %d\n", w->width(), w->height());
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    QWidget* m_window;
    bool m_reported = false;
};
