// The three HTML views on the real browser control: what a click, a key, a right click, a
// drag, a new window or a resize does in each, and the web address opener behind them.
#include "support/Fixtures.h"
#include "support/ViewInput.h"

#include "platform/toolkit/OpURL.h"
#include "htmlview/usrHelp.h"
#include "htmlview/usrReklamaX.h"
#include "htmlview/usrWeb.h"
#include "platform/toolkit/Errors.h"
#include "platform/toolkit/Form.h"

#include <QContextMenuEvent>
#include <QScrollBar>
#include <QTest>

using fixtures::Click;
using fixtures::CurrentFolder;
using fixtures::ShellLog;
using platform::browser::HtmlDocument;

namespace {

// A window to hold the views, as the program's windows do.
class HostForm : public platform::FormOf<HostForm> {
public:
    HostForm()
        : FormOf(platform::ScaleMode::Twips, platform::StartUpPosition::CenterScreen) {
        resize(420, 300);
    }
};

template <class View> View* MakeView(QSize size = QSize(300, 200)) {
    HostForm::Instance().Show();
    auto* view = new View(&HostForm::Instance());
    view->setGeometry(QRect(QPoint(10, 10), size));
    view->show();
    return view;
}

const QString TallPage =
    "<html><body bgcolor='#ff0000'>" + QString("<p>строка</p>").repeated(60) + "</body></html>";

QColor PixelAt(QWidget* view, QPoint p) {
    return view->grab().toImage().pixelColor(p);
}

// A point of the view's page: the overlay's and the help view's browser edge lies outside.
QPoint OnPage(HtmlView* view, QPoint p) {
    return view->WebBrowser1->geometry().topLeft() + QPoint(2, 2) + p;
}

} // namespace

class TestHtmlView : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { delete &HostForm::Instance(); }

    // Each view keeps its silent browser at its own place for its size, and leaves it
    // alone while the window it sits in is minimised.
    void browserFollowsTheViewsSize() {
        auto* web = MakeView<usrWeb>(QSize(2, 9));
        QVERIFY(web->WebBrowser1->Document() && web->WebBrowser1->Silent());
        QCOMPARE(web->WebBrowser1->geometry(), QRect(-2, -2, 56, 63));
        QCOMPARE(MakeView<usrReklamaX>(QSize(305, 441))->WebBrowser1->geometry(),
                 QRect(0, 0, 305, 441));
        auto* help = MakeView<usrHelp>();
        QCOMPARE(help->WebBrowser1->geometry(), QRect(-2, -2, 304, 204));
        HostForm::Instance().setWindowState(Qt::WindowMinimized);
        help->resize(100, 80);
        QCOMPARE(help->WebBrowser1->geometry(), QRect(-2, -2, 304, 204));
        HostForm::Instance().setWindowState(Qt::WindowNoState);
        help->resize(120, 90);
        QCOMPARE(help->WebBrowser1->geometry(), QRect(-2, -2, 124, 94));
    }

    // A click on an http link: the overlay's view reports it, the help view and the panel
    // open it through the shell, each time; the page stays. Other links are followed.
    void clickedLinks_data() {
        QTest::addColumn<QString>("href");
        QTest::addColumn<bool>("intercepted");
        QTest::newRow("http") << "http://a.example/page?x=1" << true;
        QTest::newRow("upper case") << "HTTP://A.EXAMPLE/" << false;
        QTest::newRow("another scheme") << "ftp://a.example/" << false;
    }
    void clickedLinks() {
        QFETCH(QString, href);
        QFETCH(bool, intercepted);
        CurrentFolder folder;
        ShellLog shell;
        auto* web = MakeView<usrWeb>();
        QStringList reported;
        connect(web, &usrWeb::ClickUrl, this, [&](QString& url) { reported << url; });
        for (HtmlView* view : QList<HtmlView*>{web, MakeView<usrHelp>(), MakeView<usrReklamaX>()}) {
            view->LoadHtml(fixtures::LinkedPicturePage(folder, href));
            Click(view, OnPage(view, QPoint(10, 10)));
            Click(view, OnPage(view, QPoint(12, 12)));
            // Followed, the view shows the built-in (white) page for the address.
            QTRY_COMPARE(PixelAt(view, OnPage(view, QPoint(10, 10))),
                         intercepted ? QColor(255, 0, 0) : QColor(Qt::white));
        }
        QCOMPARE(reported, intercepted ? QStringList({href, href}) : QStringList());
        QCOMPARE(shell.requests.size(), intercepted ? 4 : 0);
        if (intercepted)
            QCOMPARE(shell.requests.last().file, href);
        // The overlay's view forgot the address with its report: a navigation goes ahead.
        web->WebBrowser1->Navigate2("about:<html><body bgcolor='#0000ff'></body></html>");
        QTRY_COMPARE(PixelAt(web, QPoint(50, 50)), QColor(0, 0, 255));
    }

    void panelKeepsTheLastLinkForNavigationsAndNewWindows() {
        CurrentFolder folder;
        ShellLog shell;
        auto* panel = MakeView<usrReklamaX>();
        // Nothing hovered yet: the page's own navigations go ahead.
        panel->WebBrowser1->Navigate2("about:<html><body bgcolor='#00ff00'></body></html>");
        QTRY_COMPARE(PixelAt(panel, QPoint(100, 100)), QColor(0, 255, 0));
        panel->LoadHtml(
            fixtures::LinkedPicturePage(folder, "http://a.example/last", "target='_blank'"));
        fixtures::Hover(panel, QPoint(12, 12));
        fixtures::Hover(panel, QPoint(200, 150)); // away from the link: the address is kept
        panel->WebBrowser1->Navigate2("about:<html><body bgcolor='#0000ff'></body></html>");
        QTest::qWait(50);
        QVERIFY(PixelAt(panel, QPoint(100, 100)) != QColor(0, 0, 255));
        // A link with a target asks for a new window: refused, and its address opened.
        Click(panel, QPoint(12, 12));
        QCOMPARE(shell.requests.size(), 2);
        for (const platform::ShellRequest& r : shell.requests)
            QCOMPARE(r.file, QString("http://a.example/last"));
    }

    // Keys, the context menu and selection are taken away; only the panel scrolls with up
    // and down. A drag that starts beside the text selects nothing anyway.
    void keysContextMenuAndSelectionAreRefused() {
        auto* help = MakeView<usrHelp>();
        auto* panel = MakeView<usrReklamaX>();
        for (HtmlView* view : QList<HtmlView*>{help, panel}) {
            view->LoadHtml(TallPage);
            view->LoadHtml(TallPage); // rewritten: the rules still hold
            QTest::keyClick(view->WebBrowser1, Qt::Key_Down);
            QCOMPARE(view->WebBrowser1->verticalScrollBar()->value() > 0, view == panel);
            QTest::keyClick(view->WebBrowser1, Qt::Key_Up);
            QCOMPARE(view->WebBrowser1->verticalScrollBar()->value(), 0);
        }
        auto* web = MakeView<usrWeb>(QSize(400, 200));
        web->LoadHtml("<html><body><font size=7>Текст текст</font></body></html>");
        HtmlDocument* doc = web->WebBrowser1->Document();
        QList<int> answers;
        connect(doc, &HtmlDocument::onkeydown, this,
                [&] { answers << doc->parentWindow()->event()->keyCode; });
        connect(doc, &HtmlDocument::oncontextmenu, this, [&](bool& result) { answers << result; });
        connect(doc, &HtmlDocument::onselectstart, this, [&](bool& result) { answers << result; });
        QTest::keyClick(web->WebBrowser1, Qt::Key_Down);
        QWidget* page = web->WebBrowser1->viewport();
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(30, 20),
                               page->mapToGlobal(QPoint(30, 20)));
        QApplication::sendEvent(page, &menu);
        for (QPoint from : {QPoint(30, 20), QPoint(380, 180)}) {
            QTest::mousePress(page, Qt::LeftButton, {}, from);
            for (int step = 1; step <= 3; ++step) {
                const QPoint to = from + QPoint(step * 15, 2);
                QMouseEvent drag(QEvent::MouseMove, to, page->mapToGlobal(to), Qt::NoButton,
                                 Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(page, &drag);
            }
            QTest::mouseRelease(page, Qt::LeftButton, {}, from + QPoint(45, 2));
        }
        // The view's own handlers, connected first, answered before these saw the event.
        QCOMPARE(answers, QList<int>({0, false, false}));
    }

    void textThatLooksLikeAnAddressIsShownAndClearWebEmpties() {
        auto* web = MakeView<usrWeb>();
        web->LoadHtml("http://a.example/");
        QTest::qWait(50);
        const QImage shot = web->grab().toImage();
        int dark = 0; // black text on white, not a page for the address
        for (int x = 0; x < 150; ++x)
            for (int y = 0; y < 30; ++y)
                dark += shot.pixelColor(x, y).lightness() < 100;
        QVERIFY(dark > 0);
        for (HtmlView* view : QList<HtmlView*>{web, MakeView<usrReklamaX>()}) {
            view->LoadHtml(TallPage);
            view->ClearWeb();
            QCOMPARE(PixelAt(view, QPoint(100, 100)), QColor(Qt::white));
            QVERIFY(!view->WebBrowser1->verticalScrollBar()->isVisible());
        }
    }

    // The desktop's opener gets the address as it is, started in the program's folder;
    // a failing shell, or no opener on the path, reaches neither the caller nor the user.
    void openUrlHandsTheAddressOnFromTheProgramsFolderAndNeverFails() {
        CurrentFolder elsewhere;
        const QString opened = elsewhere.file("opened.txt");
        QVERIFY(fixtures::WriteBytes(
            "xdg-open", QString("#!/bin/sh\necho \"$1|$PWD\" > '%1'\n").arg(opened).toUtf8()));
        QVERIFY(QFile::setPermissions("xdg-open", QFile::ReadOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", elsewhere.path().toLocal8Bit());
        fixtures::MessageRecorder messages;
        OpURL::OpenURL("http://a.example/путь?q=a b&x='1'");
        QTRY_VERIFY(QFile::exists(opened));
        QCOMPARE(QString::fromUtf8(fixtures::ReadBytes(opened)).trimmed(),
                 "http://a.example/путь?q=a b&x='1'|" + QCoreApplication::applicationDirPath());
        platform::SetShellHandler([](const platform::ShellRequest&) {
            throw platform::Error(platform::errFileNotFound);
        });
        OpURL::OpenURL("http://a.example/");
        platform::SetShellHandler({});
        qputenv("PATH", "/nonexistent");
        OpURL::OpenURL("http://a.example/");
        OpURL::OpenURL(QString());
        qputenv("PATH", path);
        QVERIFY(messages.messages.isEmpty());
    }
};

QTEST_MAIN(TestHtmlView)
#include "tst_htmlview.moc"
