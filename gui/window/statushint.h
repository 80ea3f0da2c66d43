#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QMainWindow;

// A hint in the window's status bar that stays while `applies` holds: the empty status tip that
// a closing menu sends would otherwise clear it for good.
class StatusHint : public QObject
{
public:
    StatusHint(QMainWindow &window, QString text, std::function<bool()> applies);

    // Shows the hint when it applies, clears it when it no longer does.
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMainWindow &window;
    QString text;
    std::function<bool()> applies;
};
