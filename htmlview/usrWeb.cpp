#include "usrWeb.h"

usrWeb::usrWeb(QWidget* parent)
    : DesignedHtmlView(parent) {
    UserControl_Initialize(ui.WebBrowser1, NoScrollBlankPage);
}

void usrWeb::CancelledClick() {
    QString url = TakeStatusText();
    emit ClickUrl(url);
}

QRect usrWeb::BrowserRect(int scaleWidth, int scaleHeight) const {
    // The browser's edge lies outside the view, and its scroll bars far beyond the right and
    // bottom sides, where the view clips them.
    return QRect(-2, -2, scaleWidth + 54, scaleHeight + 54);
}
