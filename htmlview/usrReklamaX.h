#pragma once

#include "HtmlView.h"

#include "ui_usrReklamaX.h"

// The catalogue panel of the main window: every link opens in the user's browser, the page
// stays, and the up and down arrows scroll it.
class usrReklamaX : public DesignedHtmlView<Ui::usrReklamaX> {
    Q_OBJECT

public:
    explicit usrReklamaX(QWidget* parent = nullptr);

protected:
    void mDoc_onkeydown() override;
    void WebBrowser1_StatusTextChange(const QString& Text) override;
    void CancelledClick() override;
    void NewWindowRefused() override;
    QRect BrowserRect(int scaleWidth, int scaleHeight) const override;
};
