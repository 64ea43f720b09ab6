#include "LumicapApp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(LUMICAP_VERSION);
    return lumicap::LumicapApp().run();
}
