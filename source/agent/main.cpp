// Arkwell's entry point.
#include "agent/appSetup.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    appSetup::LoadPreferences();
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Scheduled Backup Jobs"));
    window.show();
    return app.exec();
}
