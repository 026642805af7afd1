#pragma once

#include "platform/browser/WebBrowser.h"

#include <QWidget>

// What the program's HTML views have in common: a silent browser that shows HTML text written
// into it, swallows what a browser would otherwise do (keys, context menu, selection, new
// windows) and lets a click on an http link be handled by the view instead of navigating.
// The variants state their differences by overriding the virtual members.
class HtmlView : public QWidget {
    Q_OBJECT

public:
    // How long creation waits for the browser's first document.
    static constexpr int CreationWaitMs = 10000;

    // Rewrites the document with `Html`. Fails (platform::Error) when the browser never
    // produced a document.
    void LoadHtml(const QString& Html);
    // Rewrites the document with the view's blank page.
    void ClearWeb();

    platform::browser::WebBrowser* WebBrowser1 = nullptr;

protected:
    explicit HtmlView(QWidget* parent);

    // Creation, once the design has made WebBrowser1: the silent browser navigates to the
    // blank page ("about:" followed by `blankPage`) and the view waits for its document.
    void UserControl_Initialize(platform::browser::WebBrowser* browser, const QString& blankPage);

    // The differences of a variant.
    virtual void mDoc_onkeydown();
    virtual void WebBrowser1_StatusTextChange(const QString& Text);
    // A navigation was cancelled because the last status text was an http address.
    virtual void CancelledClick() = 0;
    // A new window was refused.
    virtual void NewWindowRefused() {}
    // Where the browser lies in a view of the given inner size.
    virtual QRect BrowserRect(int scaleWidth, int scaleHeight) const = 0;

    // Whether the first four characters of `text` are exactly "http".
    static bool IsHttp(const QString& text) { return text.startsWith(QLatin1String("http")); }
    // The status text, emptied.
    QString TakeStatusText() { return std::exchange(mStatusText, QString()); }

    void resizeEvent(QResizeEvent* event) override;

    platform::browser::HtmlDocument* mDoc = nullptr;
    QString mStatusText;

private:
    void UserControl_Resize();
    bool mDoc_oncontextmenu();
    bool mDoc_onselectstart();
    void WebBrowser1_BeforeNavigate2(QObject* pDisp, QVariant& URL, QVariant& Flags,
                                     QVariant& TargetFrameName, QVariant& PostData,
                                     QVariant& Headers, bool& Cancel);
    void WebBrowser1_NewWindow2(QObject*& ppDisp, bool& Cancel);

    QString blankPage_;
};

// A view built from its design (`Design` is the class made from its .ui file). The variant's
// constructor then runs UserControl_Initialize: only there do its overrides take part.
template <class Design> class DesignedHtmlView : public HtmlView {
protected:
    explicit DesignedHtmlView(QWidget* parent)
        : HtmlView(parent) {
        ui.setupUi(this);
    }

    Design ui;
};

// The blank page of the views that show no scroll bars.
inline const QString NoScrollBlankPage = QStringLiteral("<html><body scroll='no'></body></html>");
