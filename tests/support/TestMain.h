#pragma once

#include "platform/toolkit/Units.h"

#include <QApplication>
#include <QTest>

// A test program's main that prepares the application as the program's own main does
// (screen scaling), for suites that run at more than one DPI.
#define LUMIVAST_TEST_MAIN(TestObject)                                                         \
    int main(int argc, char* argv[]) {                                                         \
        platform::UseWholeScaleFactors();                                                      \
        QApplication app(argc, argv);                                                          \
        TestObject test;                                                                       \
        return QTest::qExec(&test, argc, argv);                                                \
    }
