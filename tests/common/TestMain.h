#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QObject>
#include <QtTest>

/// Runs a Qt Test object like QTest::qExec, with one difference: a warning or critical message
/// that the test did not announce with QTest::ignoreMessage fails the running test function (or,
/// when it comes from another thread, the whole program once the functions have run).
namespace TestMain {
int run(QObject *testObject, int argc, char **argv);
} // namespace TestMain

/// Every test program's main: QTEST_MAIN with stray warnings as failures.
#define DYNFEED_TEST_MAIN(TestObject)                                                              \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return TestMain::run(&tc, argc, argv);                                                     \
    }

/// QTEST_GUILESS_MAIN with stray warnings as failures.
#define DYNFEED_TEST_GUILESS_MAIN(TestObject)                                                      \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QCoreApplication app(argc, argv);                                                          \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return TestMain::run(&tc, argc, argv);                                                     \
    }
