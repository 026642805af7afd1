#include "HtmlView.h"

#include "platform/toolkit/Errors.h"
#include "platform/toolkit/Form.h"
#include "platform/toolkit/Units.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

using namespace platform;
using platform::browser::HtmlDocument;
using platform::browser::WebBrowser;

HtmlView::HtmlView(QWidget* parent)
    : QWidget(parent) {
    SetScaleMode(this, ScaleMode::Pixels);
}

void HtmlView::UserControl_Initialize(WebBrowser* browser, const QString& blankPage) {
    WebBrowser1 = browser;
    blankPage_ = blankPage;
    connect(WebBrowser1, &WebBrowser::StatusTextChange, this,
            &HtmlView::WebBrowser1_StatusTextChange);
    connect(WebBrowser1, &WebBrowser::BeforeNavigate2, this,
            &HtmlView::WebBrowser1_BeforeNavigate2);
    connect(WebBrowser1, &WebBrowser::NewWindow2, this, &HtmlView::WebBrowser1_NewWindow2);

    ResumeNext([this] { WebBrowser1->SetSilent(true); });
    ResumeNext([this] { WebBrowser1->Navigate2(QStringLiteral("about:") + blankPage_); });
    // Other windows' and views' handlers may run while this one waits.
    ResumeNext([this] {
        QCoreApplication::processEvents();
        QDeadlineTimer deadline(CreationWaitMs);
        while (!WebBrowser1->Document() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    });
    ResumeNext([this] {
        mDoc = WebBrowser1->Document();
        if (!mDoc)
            return;
        connect(mDoc, &HtmlDocument::onkeydown, this, &HtmlView::mDoc_onkeydown);
        connect(mDoc, &HtmlDocument::oncontextmenu, this,
                [this](bool& result) { result = mDoc_oncontextmenu(); });
        connect(mDoc, &HtmlDocument::onselectstart, this,
                [this](bool& result) { result = mDoc_onselectstart(); });
    });
    UserControl_Resize();
}

void HtmlView::LoadHtml(const QString& Html) {
    HtmlDocument* document = WebBrowser1 ? WebBrowser1->Document() : nullptr;
    if (!document)
        throw Error(errObjectNotSet, QStringLiteral("the view has no document"));
    HtmlDocument* target = document->Script()->Document();
    target->Clear();
    target->Write(Html);
    target->Close();
}

void HtmlView::ClearWeb() {
    LoadHtml(blankPage_);
}

void HtmlView::mDoc_onkeydown() {
    mDoc->parentWindow()->event()->keyCode = 0;
}

bool HtmlView::mDoc_oncontextmenu() {
    ResumeNext([this] { mDoc->parentWindow()->event()->returnValue = false; });
    return false;
}

bool HtmlView::mDoc_onselectstart() {
    ResumeNext([this] { mDoc->parentWindow()->event()->returnValue = false; });
    return false;
}

void HtmlView::WebBrowser1_StatusTextChange(const QString& Text) {
    mStatusText = Text;
}

void HtmlView::WebBrowser1_BeforeNavigate2(QObject*, QVariant&, QVariant&, QVariant&, QVariant&,
                                           QVariant&, bool& Cancel) {
    // The address argument is not looked at: what counts is the link the pointer was on.
    if (!IsHttp(mStatusText))
        return;
    Cancel = true;
    CancelledClick();
}

void HtmlView::WebBrowser1_NewWindow2(QObject*&, bool& Cancel) {
    Cancel = true;
    NewWindowRefused();
}

void HtmlView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UserControl_Resize();
}

void HtmlView::UserControl_Resize() {
    if (!WebBrowser1)
        return;
    ResumeNext([this] {
        // The host is the window this view sits in (read as it is, never created by it).
        const auto* host = qobject_cast<const Form*>(window());
        if (host ? host->WindowState() == vbMinimized : window()->isMinimized())
            return;
        const QRect r = BrowserRect(width(), height());
        WebBrowser1->Move(r.x(), r.y(), r.width(), r.height());
    });
}
