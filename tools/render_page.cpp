// Renders a page the way the program's views show it, into a PNG file.
// Usage: render_page PAGE.html OUTPUT.png [WIDTH HEIGHT]
#include "platform/browser/WebBrowser.h"
#include "platform/toolkit/Fonts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: %s PAGE.html OUTPUT.png [WIDTH HEIGHT]\n", argv[0]);
        return 2;
    }
    platform::InstallFontSubstitutes();
    platform::browser::WebBrowser browser;
    browser.resize(argc == 5 ? std::atoi(argv[3]) : 640, argc == 5 ? std::atoi(argv[4]) : 480);
    browser.show();
    browser.Navigate2(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    if (!QTest::qWaitFor([&] { return browser.Document() != nullptr; }, 5000)) {
        std::fprintf(stderr, "the page did not appear\n");
        return 1;
    }
    QTest::qWait(100);
    if (!browser.grab().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
