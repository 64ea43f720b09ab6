#include "app/LumicapApp.h"
#include "platform/ProcessEnd.h"

#include <QApplication>

#include <cstdio>

static int run(int argc, char *argv[])
{
    lumicap::LumicapApp lumicapApp;
    {
        // --help and --version work without a display: the command line is
        // read before the windowing system is opened.
        QCoreApplication commandLine(argc, argv);
        QString output;
        if (const auto exitCode = lumicapApp.takeArguments(QCoreApplication::arguments(), output)) {
            std::fputs(output.toLocal8Bit().constData(), *exitCode == 0 ? stdout : stderr);
            return *exitCode;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(LUMICAP_VERSION);
    return lumicapApp.run();
}

int main(int argc, char *argv[])
{
    return lumicap::platform::endProcess(run(argc, argv));
}
