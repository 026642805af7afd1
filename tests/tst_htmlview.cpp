// The three HTML views on the real browser control: what a click, a key, a right click, a
// drag, a new window or a resize does in each, and the web address opener behind them.
#include "support/Fixtures.h"
#include "support/ViewInput.h"

#include "app/OpURL.h"
#include "htmlview/usrHelp.h"
#include "htmlview/usrReklamaX.h"
#include "htmlview/usrWeb.h"
#include "platform/toolkit/App.h"
#include "platform/toolkit/Errors.h"
#include "platform/toolkit/Form.h"
#include "platform/toolkit/Shell.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using fixtures::At;
using fixtures::Click;
using fixtures::CurrentFolder;
using fixtures::Hover;
using fixtures::ShellLog;
using platform::ShellRequest;
using platform::browser::HtmlDocument;
using platform::browser::WebBrowser;

namespace {

// A window to hold a view, as the program's windows do.
class HostForm : public platform::FormOf<HostForm> {
public:
    HostForm()
        : FormOf(platform::ScaleMode::Twips, platform::StartUpPosition::CenterScreen) {
        resize(420, 300);
    }
};

template <class View> View* MakeView(QSize size = QSize(300, 200)) {
    HostForm& host = HostForm::Instance();
    host.Show();
    auto* view = new View(&host);
    view->setGeometry(QRect(QPoint(10, 10), size));
    view->show();
    return view;
}

QString LinkPage(const CurrentFolder& folder, const QString& href, const QString& extra = {}) {
    const QString picture = folder.file("link.gif");
    fixtures::WriteGif(picture, 40, 30, 1, {QColor(255, 0, 0)});
    return QStringLiteral("<html><body topmargin=0 leftmargin=0 bgcolor='#ffff00'><a href='%1' %2>"
                          "<img src='%3' border=0></a></body></html>")
        .arg(href, extra, picture);
}

QString TallPage() {
    QString page = "<html><body>";
    for (int i = 0; i < 60; ++i)
        page += "<p>строка</p>";
    return page + "</body></html>";
}

QColor PixelAt(HtmlView* view, QPoint p) {
    return view->grab().toImage().pixelColor(p);
}

} // namespace

class TestHtmlView : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        if (HostForm::IsLoaded())
            delete &HostForm::Instance();
    }

    void creationWaitsForTheDocumentAndPlacesTheBrowser() {
        auto* web = MakeView<usrWeb>(QSize(2, 9));
        QVERIFY(web->WebBrowser1->Document());
        QVERIFY(web->WebBrowser1->Silent());
        QCOMPARE(web->WebBrowser1->geometry(), QRect(-2, -2, 2 + 54, 9 + 54));
        auto* help = MakeView<usrHelp>();
        QCOMPARE(help->WebBrowser1->geometry(), QRect(-2, -2, 304, 204));
        auto* panel = MakeView<usrReklamaX>(QSize(305, 441));
        QCOMPARE(panel->WebBrowser1->geometry(), QRect(0, 0, 305, 441));
        // The panel's designed extras are there and never seen.
        auto* button = panel->findChild<QPushButton*>("kObnovit");
        QVERIFY(button);
        QCOMPARE(button->text(), QString("Загрузить рекламу"));
        QVERIFY(!button->isVisibleTo(panel));
    }

    void overlayViewReportsAClickAndKeepsItsPage() {
        CurrentFolder folder;
        auto* view = MakeView<usrWeb>();
        view->LoadHtml(LinkPage(folder, "https://a.example/x"));
        HtmlDocument* doc = view->WebBrowser1->Document();
        // The page's corner is the view's corner: the browser's edge lies outside.
        QCOMPARE(PixelAt(view, QPoint(0, 0)), QColor(255, 0, 0));
        QStringList clicked;
        connect(view, &usrWeb::ClickUrl, this, [&](QString& url) { clicked << url; });
        Click(view, QPoint(10, 10));
        QCOMPARE(clicked, QStringList({"https://a.example/x"}));
        QTest::qWait(50);
        QCOMPARE(view->WebBrowser1->Document(), doc);
        QCOMPARE(PixelAt(view, QPoint(0, 0)), QColor(255, 0, 0));

        // The status text went with the report: a navigation now goes ahead.
        view->WebBrowser1->Navigate2("about:<html><body bgcolor='#0000ff'></body></html>");
        QTRY_COMPARE(PixelAt(view, QPoint(50, 50)), QColor(0, 0, 255));
        QCOMPARE(clicked.size(), 1);
    }

    void helpViewAndPanelOpenClickedLinksThroughTheShell() {
        CurrentFolder folder;
        for (HtmlView* view : {static_cast<HtmlView*>(MakeView<usrHelp>()),
                               static_cast<HtmlView*>(MakeView<usrReklamaX>())}) {
            ShellLog shell;
            view->LoadHtml(LinkPage(folder, "http://a.example/page?x=1"));
            const QPoint corner = view->WebBrowser1->geometry().topLeft() + QPoint(2, 2);
            Click(view, corner + QPoint(10, 10));
            Click(view, corner + QPoint(12, 12));
            QCOMPARE(shell.requests.size(), 2);
            const ShellRequest& r = shell.requests.first();
            QCOMPARE(r.file, QString("http://a.example/page?x=1"));
            QCOMPARE(r.window, quintptr(1));
            QCOMPARE(r.operation, QString("Open"));
            QVERIFY(r.parameters.isNull());
            QCOMPARE(r.directory, platform::AppPath());
            QCOMPARE(r.showCommand, 1);
            QTest::qWait(50);
            QCOMPARE(PixelAt(view, corner + QPoint(10, 10)), QColor(255, 0, 0));
        }
    }

    void onlyLowerCaseHttpIsIntercepted_data() {
        QTest::addColumn<QString>("href");
        QTest::newRow("upper case") << "HTTP://A.EXAMPLE/";
        QTest::newRow("another scheme") << "ftp://a.example/";
    }
    void onlyLowerCaseHttpIsIntercepted() {
        QFETCH(QString, href);
        CurrentFolder folder;
        ShellLog shell;
        auto* web = MakeView<usrWeb>();
        auto* help = MakeView<usrHelp>();
        int clicks = 0;
        connect(web, &usrWeb::ClickUrl, this, [&](QString&) { ++clicks; });
        for (HtmlView* view : {static_cast<HtmlView*>(web), static_cast<HtmlView*>(help)}) {
            view->LoadHtml(LinkPage(folder, href));
            const QPoint corner = view->WebBrowser1->geometry().topLeft() + QPoint(2, 2);
            Click(view, corner + QPoint(10, 10));
            // Not intercepted: the view goes to the (built-in, white) page for it.
            QTRY_COMPARE(PixelAt(view, corner + QPoint(10, 10)), QColor(Qt::white));
        }
        QCOMPARE(clicks, 0);
        QCOMPARE(shell.requests.size(), 0);
    }

    void panelKeepsTheLastLinkForNavigationsAndNewWindows() {
        CurrentFolder folder;
        ShellLog shell;
        auto* panel = MakeView<usrReklamaX>();
        // Nothing hovered yet: the page's own navigations go ahead.
        panel->WebBrowser1->Navigate2("about:<html><body bgcolor='#00ff00'></body></html>");
        QTRY_COMPARE(PixelAt(panel, QPoint(100, 100)), QColor(0, 255, 0));
        QCOMPARE(shell.requests.size(), 0);

        panel->LoadHtml(LinkPage(folder, "http://a.example/last", "target='_blank'"));
        Hover(panel, QPoint(12, 12));
        Hover(panel, QPoint(200, 150)); // away from the link: the address is kept
        panel->WebBrowser1->Navigate2("about:<html><body bgcolor='#0000ff'></body></html>");
        QTest::qWait(50);
        QCOMPARE(shell.requests.size(), 1);
        QCOMPARE(shell.requests.last().file, QString("http://a.example/last"));
        QVERIFY(PixelAt(panel, QPoint(100, 100)) != QColor(0, 0, 255));

        // A link with a target asks for a new window: refused, and its address opened.
        Click(panel, QPoint(12, 12));
        QCOMPARE(shell.requests.size(), 2);
        QCOMPARE(shell.requests.last().file, QString("http://a.example/last"));
    }

    void overlayAndHelpViewsSwallowEveryKeyThePanelAllButUpAndDown() {
        auto* help = MakeView<usrHelp>();
        auto* panel = MakeView<usrReklamaX>();
        for (HtmlView* view : {static_cast<HtmlView*>(help), static_cast<HtmlView*>(panel)}) {
            view->LoadHtml(TallPage());
            view->LoadHtml(TallPage()); // rewritten: the rules still hold
            QScrollBar* bar = view->WebBrowser1->verticalScrollBar();
            QVERIFY(bar->maximum() > 0);
            for (Qt::Key key : {Qt::Key_End, Qt::Key_PageDown, Qt::Key_Space})
                QTest::keyClick(view->WebBrowser1, key);
            QCOMPARE(bar->value(), 0);
            QTest::keyClick(view->WebBrowser1, Qt::Key_Down);
            const bool scrolls = view == panel;
            QCOMPARE(bar->value() > 0, scrolls);
        }
        auto* web = MakeView<usrWeb>();
        web->LoadHtml(TallPage());
        int seen = -1;
        connect(web->WebBrowser1->Document(), &HtmlDocument::onkeydown, this,
                [&] { seen = web->WebBrowser1->Document()->parentWindow()->event()->keyCode; });
        QTest::keyClick(web->WebBrowser1, Qt::Key_Down);
        QCOMPARE(seen, 0); // the view's own handler, connected first, took it away
    }

    void rightClickAndSelectionAreRefused() {
        auto* web = MakeView<usrWeb>();
        web->LoadHtml("<html><body><font size=7>Текст</font></body></html>");
        web->LoadHtml("<html><body><font size=7>Текст текст</font></body></html>");
        HtmlDocument* doc = web->WebBrowser1->Document();
        QList<bool> answers;
        connect(doc, &HtmlDocument::oncontextmenu, this, [&](bool& result) { answers << result; });
        connect(doc, &HtmlDocument::onselectstart, this, [&](bool& result) { answers << result; });
        QWidget* page = web->WebBrowser1->viewport();
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(30, 20),
                               page->mapToGlobal(QPoint(30, 20)));
        QApplication::sendEvent(page, &menu);
        QTest::mousePress(page, Qt::LeftButton, {}, QPoint(30, 20));
        QMouseEvent drag(QEvent::MouseMove, QPoint(90, 22), page->mapToGlobal(QPoint(90, 22)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page, &drag);
        QTest::mouseRelease(page, Qt::LeftButton, {}, QPoint(90, 22));
        QCOMPARE(answers, QList<bool>({false, false}));
    }

    void textThatLooksLikeAnAddressIsShownNotVisited() {
        auto* web = MakeView<usrWeb>();
        int navigations = 0;
        connect(web->WebBrowser1, &WebBrowser::BeforeNavigate2, this,
                [&](QObject*, QVariant&, QVariant&, QVariant&, QVariant&, QVariant&, bool&) {
                    ++navigations;
                });
        HtmlDocument* doc = web->WebBrowser1->Document();
        web->LoadHtml("http://a.example/");
        QTest::qWait(50);
        QCOMPARE(navigations, 0);
        QCOMPARE(web->WebBrowser1->Document(), doc);
        // Black text on white: some dark pixels on the page.
        const QImage shot = web->grab().toImage();
        bool text = false;
        for (int x = 0; x < 150 && !text; ++x)
            for (int y = 0; y < 30 && !text; ++y)
                text = shot.pixelColor(x, y).lightness() < 100;
        QVERIFY(text);
    }

    void clearWebEmptiesTheView() {
        auto* web = MakeView<usrWeb>();
        web->LoadHtml("<html><body bgcolor='#ff0000'>" + TallPage() + "</body></html>");
        QVERIFY(web->WebBrowser1->verticalScrollBar()->isVisible());
        web->ClearWeb();
        QCOMPARE(PixelAt(web, QPoint(100, 100)), QColor(Qt::white));
        QVERIFY(!web->WebBrowser1->verticalScrollBar()->isVisible());
        auto* panel = MakeView<usrReklamaX>();
        panel->LoadHtml("<html><body bgcolor='#ff0000'></body></html>");
        panel->ClearWeb();
        QCOMPARE(PixelAt(panel, QPoint(100, 100)), QColor(Qt::white));
    }

    void resizeWhileTheHostIsMinimisedLeavesTheBrowser() {
        auto* help = MakeView<usrHelp>();
        HostForm::Instance().setWindowState(Qt::WindowMinimized);
        QCOMPARE(HostForm::Instance().WindowState(), int(platform::vbMinimized));
        help->resize(100, 80);
        QCOMPARE(help->WebBrowser1->geometry(), QRect(-2, -2, 304, 204));
        HostForm::Instance().setWindowState(Qt::WindowNoState);
        help->resize(120, 90);
        QCOMPARE(help->WebBrowser1->geometry(), QRect(-2, -2, 124, 94));
    }

    void openUrlHandsTheAddressOnUnchangedFromTheProgramsFolder() {
        CurrentFolder elsewhere;
        ShellLog shell;
        OpURL::OpenURL("http://a.example/путь?q=a b&x='1'");
        OpURL::OpenURL(QString());
        QCOMPARE(shell.requests.size(), 2);
        QCOMPARE(shell.requests[0].file, QString("http://a.example/путь?q=a b&x='1'"));
        QCOMPARE(shell.requests[0].directory, QCoreApplication::applicationDirPath());
        QVERIFY(shell.requests[0].directory != QDir::currentPath());
        QCOMPARE(shell.requests[1].file, QString());
    }

    void openUrlNeverFailsTowardsItsCaller() {
        platform::SetShellHandler(
            [](const ShellRequest&) { throw platform::Error(platform::errFileNotFound); });
        OpURL::OpenURL("http://a.example/");
        // The real opener with nothing to start it with: no opener on the path.
        platform::SetShellHandler({});
        const QByteArray path = qgetenv("PATH");
        CurrentFolder empty;
        qputenv("PATH", empty.path().toLocal8Bit());
        OpURL::OpenURL("http://a.example/");
        OpURL::OpenURL(QString());
        qputenv("PATH", path);
        QVERIFY(true); // reaching here is the point: nothing was thrown or shown
    }
};

QTEST_MAIN(TestHtmlView)
#include "tst_htmlview.moc"
