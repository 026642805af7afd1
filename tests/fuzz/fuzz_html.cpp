// Bytes as an HTML document: written into the browser's document, laid out at several
// widths and painted.
#include "FuzzTarget.h"

#include "platform/browser/HtmlDocument.h"
#include "platform/browser/WebBrowser.h"

#include <QTest>

using platform::browser::WebBrowser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    static WebBrowser* view = [] {
        auto* browser = new WebBrowser;
        browser->show();
        browser->Navigate2(QStringLiteral("about:blank"));
        if (!QTest::qWaitFor([browser] { return browser->Document() != nullptr; }, 5000))
            abort();
        return browser;
    }();
    view->Document()->Clear();
    view->Document()->Write(
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    view->Document()->Close();
    for (const int width : {1, 120, 400}) {
        view->resize(width, 150);
        view->grab();
    }
    return 0;
}
