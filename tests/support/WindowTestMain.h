#pragma once

#include "platform/ProcessEnd.h"

#include <QApplication>
#include <QTest>

// QTEST_MAIN for the window tests, ending the process the way the program
// does once the test object and the application are gone.
#define LUMICAP_WINDOW_TEST_MAIN(TestObject)                                                                                                         \
    static int runWindowTests(int argc, char *argv[])                                                                                                \
    {                                                                                                                                                \
        QTest::Internal::callInitMain<TestObject>();                                                                                                 \
        QApplication app(argc, argv);                                                                                                                \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                                                     \
        TestObject tc;                                                                                                                               \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                                                   \
        return QTest::qExec(&tc, argc, argv);                                                                                                        \
    }                                                                                                                                                \
    int main(int argc, char *argv[])                                                                                                                 \
    {                                                                                                                                                \
        return lumicap::platform::endProcess(runWindowTests(argc, argv));                                                                            \
    }
