#include "HtmlDocument.h"

#include "WebBrowser.h"

namespace platform::browser {

HtmlWindow::HtmlWindow(HtmlDocument* document)
    : QObject(document) {}

HtmlDocument* HtmlWindow::Document() const {
    return static_cast<HtmlDocument*>(parent());
}

HtmlDocument::HtmlDocument(WebBrowser* browser)
    : QObject(browser)
    , browser_(browser)
    , window_(new HtmlWindow(this)) {}

void HtmlDocument::Clear() {
    stream_.clear();
    streamOpen_ = true;
}

void HtmlDocument::Write(const QString& text) {
    // Writing to a closed document starts it anew, as a browser does.
    if (!streamOpen_)
        Clear();
    stream_ += text;
}

void HtmlDocument::Close() {
    if (!streamOpen_)
        return;
    streamOpen_ = false;
    const QString content = std::exchange(stream_, QString());
    browser_->ShowHtml(content, QString());
}

} // namespace platform::browser
