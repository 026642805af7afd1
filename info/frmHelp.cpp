#include "frmHelp.h"

#include "platform/toolkit/Errors.h"
#include "platform/toolkit/TextBox.h"

using namespace platform;

frmHelp::frmHelp()
    : FormOf(ScaleMode::Twips, StartUpPosition::WindowsDefault) {
    setupUi(this);
    SetFixedDialogFrame();
    setWindowState(Qt::WindowMaximized);
    txtHtml->SetText(ResourceText(QStringLiteral(":/layouts/help.html")));
}

void frmHelp::Form_Load() {
    usrHelp1->LoadHtml(txtHtml->Text());
}

void frmHelp::Form_Resize() {
    ResumeNext([this] {
        if (WindowState() == vbMinimized)
            return;
        platform::Move(usrHelp1, 0, 0, ScaleWidth(), ScaleHeight());
    });
}
