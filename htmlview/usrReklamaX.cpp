#include "usrReklamaX.h"

#include "platform/toolkit/OpURL.h"
#include "platform/toolkit/Errors.h"
#include "platform/toolkit/VirtualKey.h"

using namespace platform;

usrReklamaX::usrReklamaX(QWidget* parent)
    : DesignedHtmlView(parent) {
    UserControl_Initialize(ui.WebBrowser1, QStringLiteral("<html><body></body></html>"));
}

void usrReklamaX::mDoc_onkeydown() {
    ResumeNext([this] {
        const int key = mDoc->parentWindow()->event()->keyCode;
        if (key != vbKeyUp && key != vbKeyDown)
            mDoc->parentWindow()->event()->keyCode = 0;
    });
}

void usrReklamaX::WebBrowser1_StatusTextChange(const QString& Text) {
    // Keeps the last link the pointer rested on, for good.
    if (IsHttp(Text))
        mStatusText = Text;
}

void usrReklamaX::CancelledClick() {
    OpURL::OpenURL(mStatusText);
}

void usrReklamaX::NewWindowRefused() {
    if (IsHttp(mStatusText))
        OpURL::OpenURL(mStatusText);
}

QRect usrReklamaX::BrowserRect(int scaleWidth, int scaleHeight) const {
    return QRect(0, 0, scaleWidth, scaleHeight);
}
