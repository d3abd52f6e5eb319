#pragma once

#include <QTabWidget>
#include <functional>

// The page control of the main window. Every way of changing the page (a click on a tab, the
// wheel over the tabs, Ctrl+Tab and Ctrl+Shift+Tab, the arrow keys on the tab bar) first asks
// the page being left to write its pending value: a refused value keeps its page shown and its
// control focused. Only tabs that are shown can be reached; the keys cycle through them, the
// wheel stops at the first and the last.
class ControlloPagine : public QTabWidget {
    Q_OBJECT

public:
    explicit ControlloPagine(QWidget* parent = nullptr);

    // Asked before the page changes; false keeps the current page.
    void setLasciaPagina(std::function<bool()> check) { m_lasciaPagina = std::move(check); }

    // Shows the shown tab `steps` places after the current one (before it when negative),
    // cycling or stopping at the ends; the page being left is asked first.
    void passaAPagina(int steps, bool cycle);
    // Shows the tab at `index` if it is shown and the page being left lets go.
    void mostraPagina(int index);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool raggiungibile(int index) const;

    std::function<bool()> m_lasciaPagina;
};
