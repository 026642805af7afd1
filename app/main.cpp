#include "app/frmForma.h"
#include "platform/KeyBackend.h"
#include "platform/toolkit/Fonts.h"
#include "platform/toolkit/Units.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    platform::UseChosenPlatform();
    platform::UseWholeScaleFactors();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumivast"));
    // The program ends only through its own menus or the main window's closing.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::InstallFontSubstitutes();

    frmForma::Instance();
    return QApplication::exec();
}
