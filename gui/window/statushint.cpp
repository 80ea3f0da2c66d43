#include "gui/window/statushint.h"

#include <QEvent>
#include <QMainWindow>
#include <QStatusBar>
#include <QStatusTipEvent>

StatusHint::StatusHint(QMainWindow &window, QString text, std::function<bool()> applies)
    : QObject(&window), window(window), text(std::move(text)), applies(std::move(applies))
{
    window.installEventFilter(this);
}

void StatusHint::refresh()
{
    if (applies())
        window.statusBar()->showMessage(text);
    else if (window.statusBar()->currentMessage() == text)
        window.statusBar()->clearMessage();
}

bool StatusHint::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &window && event->type() == QEvent::StatusTip &&
        static_cast<QStatusTipEvent *>(event)->tip().isEmpty() && applies()) {
        window.statusBar()->showMessage(text);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
