#include "frmOproge.h"

frmOproge::frmOproge()
    : FormOf(platform::ScaleMode::Twips, platform::StartUpPosition::CenterScreen) {
    setWindowTitle(QStringLiteral("О программе"));
}
