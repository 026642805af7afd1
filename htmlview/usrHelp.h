#pragma once

#include "HtmlView.h"

#include "ui_usrHelp.h"

// The help window's view: a click on an http link opens it in the user's browser.
class usrHelp : public DesignedHtmlView<Ui::usrHelp> {
    Q_OBJECT

public:
    explicit usrHelp(QWidget* parent = nullptr);

protected:
    void CancelledClick() override;
    QRect BrowserRect(int scaleWidth, int scaleHeight) const override;
};
