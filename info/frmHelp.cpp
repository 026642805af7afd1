#include "frmHelp.h"

frmHelp::frmHelp()
    : FormOf(platform::ScaleMode::Twips, platform::StartUpPosition::CenterScreen) {
    setWindowTitle(QStringLiteral("Инструкции"));
}
