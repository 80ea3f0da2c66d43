#include "gui/window/mainwindow.h"

#include <QApplication>
#include <QIcon>

using namespace torvane;

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Names the per-user data folder that receives the example template.
    QApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QApplication::setApplicationName(QStringLiteral("Torvane"));
    Q_INIT_RESOURCE(images);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/torvane.png")));

    MainWindow window;
    window.show();
    return application.exec();
}
