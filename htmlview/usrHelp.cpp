#include "usrHelp.h"

#include "platform/toolkit/OpURL.h"

usrHelp::usrHelp(QWidget* parent)
    : DesignedHtmlView(parent) {
    UserControl_Initialize(ui.WebBrowser1, NoScrollBlankPage);
}

void usrHelp::CancelledClick() {
    OpURL::OpenURL(TakeStatusText());
}

QRect usrHelp::BrowserRect(int scaleWidth, int scaleHeight) const {
    // Only the browser's edge lies outside; its scroll bars stay in sight.
    return QRect(-2, -2, scaleWidth + 4, scaleHeight + 4);
}
