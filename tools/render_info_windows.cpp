// Renders the help and About windows as the program shows them (their client areas, without
// the window system's frame) into PNG files, for the documentation.
// Usage: QT_QPA_PLATFORM=offscreen render_info_windows HELP.png ABOUT.png
#include "info/frmHelp.h"
#include "info/frmOproge.h"
#include "platform/toolkit/Fonts.h"
#include "platform/toolkit/Units.h"

#include <QApplication>
#include <QTest>
#include <cstdio>

int main(int argc, char* argv[]) {
    platform::UseWholeScaleFactors();
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s HELP.png ABOUT.png\n", argv[0]);
        return 2;
    }
    platform::InstallFontSubstitutes();
    frmHelp::Instance().Show();
    frmOproge::Instance().Show();
    QTest::qWait(200);
    const bool saved = frmHelp::Instance().grab().save(QString::fromLocal8Bit(argv[1])) &&
                       frmOproge::Instance().grab().save(QString::fromLocal8Bit(argv[2]));
    return saved ? 0 : 1;
}
