#pragma once

#include "HtmlView.h"

#include "ui_usrWeb.h"

// The overlay's view: a click on an http link is reported to the host as ClickUrl.
class usrWeb : public DesignedHtmlView<Ui::usrWeb> {
    Q_OBJECT

public:
    explicit usrWeb(QWidget* parent = nullptr);

signals:
    void ClickUrl(QString& url);

protected:
    void CancelledClick() override;
    QRect BrowserRect(int scaleWidth, int scaleHeight) const override;
};
