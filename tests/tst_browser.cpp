// The web browser control: navigation, rewriting, painting, pictures, links, keys, the
// document events, and robustness against any text.
#include "support/Fixtures.h"

#include "gifwriter/GifWriter.h"
#include "platform/browser/HtmlDocument.h"
#include "platform/browser/Picture.h"
#include "platform/browser/Presentational.h"
#include "platform/browser/WebBrowser.h"
#include "platform/toolkit/Fonts.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QImageReader>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

using fixtures::CurrentFolder;
using platform::browser::HtmlDocument;
using platform::browser::WebBrowser;

namespace {

// A shown browser of the given size with `html` written into its first document.
struct Browser {
    explicit Browser(const QString& html = {}, QSize size = QSize(200, 150)) {
        view.resize(size);
        view.show();
        view.Navigate2(QStringLiteral("about:<html><body></body></html>"));
        ready = QTest::qWaitFor([this] { return view.Document() != nullptr; }, 3000);
        if (ready && !html.isNull())
            Write(html);
    }
    void Write(const QString& html) {
        HtmlDocument* doc = view.Document();
        doc->Clear();
        doc->Write(html);
        doc->Close();
    }
    QImage Shot() { return view.grab().toImage(); }
    QWidget* Page() { return view.viewport(); }

    WebBrowser view;
    bool ready = false;
};

struct Navigation {
    QString url;
    QString target;
};

// Records BeforeNavigate2, optionally cancelling.
struct NavigationLog : QObject {
    NavigationLog(WebBrowser& view, bool cancel) {
        connect(&view, &WebBrowser::BeforeNavigate2, this,
                [this, cancel](QObject*, QVariant& url, QVariant&, QVariant& frame, QVariant&,
                               QVariant&, bool& Cancel) {
                    seen.append({url.toString(), frame.toString()});
                    Cancel = cancel;
                });
    }
    QList<Navigation> seen;
};

void Hover(QWidget* page, QPoint pos) {
    QMouseEvent move(QEvent::MouseMove, pos, page->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(page, &move);
}

void LeaveView(QWidget* page) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(page->parentWidget(), &leave);
}

// A picture file of one colour, taller than a line of text, so that it sits at the top of
// its line; pixel tests use these and blocks rather than fonts.
QString PictureFile(const CurrentFolder& folder, const QString& name, QColor colour,
                    QSize size = QSize(40, 30)) {
    const QString path = folder.file(name);
    return fixtures::WriteGif(path, size.width(), size.height(), 1, {colour}) ? path : QString();
}

QString LinkedPicture(const CurrentFolder& folder, const QString& href, const QString& extra = {}) {
    return QStringLiteral("<html><body topmargin=0 leftmargin=0 bgcolor='#ffff00'><a href='%1' "
                          "%2><img src='%3' border=0></a></body></html>")
        .arg(href, extra, PictureFile(folder, "link.gif", QColor(255, 0, 0)));
}

// A block of exactly one colour, so pixel tests do not depend on fonts.
QString Block(const QString& colour, int w, int h) {
    return QStringLiteral("<table cellspacing=0 cellpadding=0 border=0><tr><td bgcolor='%1' "
                          "width=%2 height=%3></td></tr></table>")
        .arg(colour)
        .arg(w)
        .arg(h);
}

} // namespace

class TestBrowser : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { platform::InstallFontSubstitutes(); }

    void documentAppearsOnALaterTurnOfTheEventLoop() {
        WebBrowser view;
        QVERIFY(!view.Document());
        view.Navigate2("about:<html><body scroll='no'></body></html>");
        QVERIFY(!view.Document());
        QTRY_VERIFY(view.Document() != nullptr);
    }

    void rewritingKeepsTheDocumentAndItsHandlers() {
        Browser b("<html><body>one</body></html>");
        QVERIFY(b.ready);
        HtmlDocument* doc = b.view.Document();
        QCOMPARE(doc->Script()->Document(), doc);
        int keys = 0;
        connect(doc, &HtmlDocument::onkeydown, this, [&] {
            ++keys;
            doc->parentWindow()->event()->keyCode = 0;
        });
        b.Write("<html><body bgcolor='#00ff00'>two</body></html>");
        QCOMPARE(b.view.Document(), doc);
        QCOMPARE(b.Shot().pixelColor(100, 100), QColor(0, 255, 0));
        QTest::keyClick(&b.view, Qt::Key_A);
        QCOMPARE(keys, 1);
    }

    void aboutBlankAndAboutHtml() {
        Browser b;
        b.view.Navigate2("about:<html><body bgcolor='#0000ff'></body></html>");
        QTRY_COMPARE(b.Shot().pixelColor(100, 100), QColor(0, 0, 255));
        b.view.Navigate2("about:blank");
        QTRY_COMPARE(b.Shot().pixelColor(100, 100), QColor(Qt::white));
    }

    void pageSitsTwoPixelsInsideASunkenEdge() {
        CurrentFolder folder;
        Browser b(QStringLiteral("<html><body scroll='no' topmargin='0' leftmargin='0' "
                                 "rightmargin='0' bgcolor='#000000'><img src='%1'></body></html>")
                      .arg(PictureFile(folder, "dot.gif", QColor(1, 0, 0))));
        const QImage shot = b.Shot();
        // The picture's corner is 2 pixels in, its colour exact; black beside it.
        QCOMPARE(shot.pixelColor(2, 2), QColor(1, 0, 0));
        QCOMPARE(shot.pixelColor(41, 31), QColor(1, 0, 0));
        QCOMPARE(shot.pixelColor(42, 2), QColor(0, 0, 0));
        // The edge: two pixels that are not the page.
        QVERIFY(shot.pixelColor(0, 50) != QColor(0, 0, 0));
        QVERIFY(shot.pixelColor(1, 50) != QColor(0, 0, 0));
        QVERIFY(shot.pixelColor(199, 50) != QColor(0, 0, 0));
        QVERIFY(shot.pixelColor(100, 149) != QColor(0, 0, 0));
        QCOMPARE(shot.pixelColor(197, 147), QColor(0, 0, 0));
    }

    void picturesFromPathsUrlsAndTheDocumentsFolder() {
        CurrentFolder folder;
        QVERIFY(QDir(folder.path()).mkdir("page"));
        QVERIFY(fixtures::WriteGif(folder.file("page/near.gif"), 30, 30, 1, {QColor(0, 0, 255)}));
        QVERIFY(fixtures::WriteBytes(
            folder.file("page/index.html"),
            "<html><body topmargin=0 leftmargin=0 bgcolor='#000000'><img src='near.gif'>"
            "<img src='" +
                QUrl::fromLocalFile(folder.file("page/near.gif")).toEncoded() +
                "'><img src='missing.gif'></body></html>"));
        Browser b;
        b.view.Navigate2(folder.file("page/index.html"));
        QTRY_COMPARE(b.Shot().pixelColor(2, 2), QColor(0, 0, 255));
        const QImage shot = b.Shot();
        QCOMPARE(shot.pixelColor(2 + 45, 2), QColor(0, 0, 255)); // the file: URL, beside it
        // The missing one draws its mark: neither black nor the picture's blue.
        int marked = 0;
        for (int x = 62; x < 62 + 24; ++x)
            marked += shot.pixelColor(x, 2 + 20) != QColor(0, 0, 0) &&
                      shot.pixelColor(x, 2 + 20) != QColor(0, 0, 255);
        QVERIFY(marked > 12);
    }

    void animationAdvancesAfterTheFramesDelayAndTransparencyShowsTheBackground() {
        CurrentFolder folder;
        gifwriter::Animation animation;
        animation.width = 30;
        animation.height = 30;
        animation.palette = {{255, 0, 0}, {0, 255, 0}, {7, 7, 7}};
        for (std::uint8_t colour : {0, 1}) {
            gifwriter::Frame frame;
            frame.delayCs = 20;
            frame.transparentIndex = 2;
            frame.pixels.assign(900, colour);
            frame.pixels[899] = 2; // the last pixel is transparent
            animation.frames.push_back(frame);
        }
        QVERIFY(gifwriter::WriteGif(folder.file("anim.gif").toStdString(), animation).empty());
        Browser b(QStringLiteral("<html><body topmargin=0 leftmargin=0 bgcolor='#0000ff'>"
                                 "<img src='%1'></body></html>")
                      .arg(folder.file("anim.gif")));
        QSignalSpy changed(&b.view, &WebBrowser::DisplayChanged);
        QCOMPARE(b.Shot().pixelColor(2, 2), QColor(255, 0, 0));
        QCOMPARE(b.Shot().pixelColor(31, 31), QColor(0, 0, 255));
        QTRY_COMPARE_WITH_TIMEOUT(b.Shot().pixelColor(2, 2), QColor(0, 255, 0), 2000);
        QTRY_VERIFY(changed.count() > 0);
        // After a whole loop the kept frames play on, with the same delays.
        const auto picture = platform::browser::Picture::Open(folder.file("anim.gif"));
        QTRY_VERIFY_WITH_TIMEOUT(picture->PlaysFromMemory(), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(b.Shot().pixelColor(2, 2), QColor(255, 0, 0), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(b.Shot().pixelColor(2, 2), QColor(0, 255, 0), 2000);
    }

    void largeAnimationsReplayFromCompactFramesWithTheSamePixels() {
        CurrentFolder folder;
        // 20 frames of 400 × 300 take 9.6 MB as decoded, 2.4 MB at one byte a pixel.
        const QList<QColor> palette = {QColor(0, 0, 0), QColor(250, 200, 40), QColor(40, 120, 250)};
        const auto figure = [](int f, int x, int y) {
            return static_cast<std::uint8_t>((x / 7 + y / 5 + f) % 3);
        };
        QVERIFY(fixtures::WriteDrawnGif(folder.file("big.gif"), 400, 300, 20, palette, 1, figure));
        // 12 frames of 1024 × 768 are too much even so: they are decoded every time.
        QVERIFY(fixtures::WriteDrawnGif(folder.file("huge.gif"), 1024, 768, 12, palette, 1,
                                        [](int f, int, int) { return std::uint8_t(f % 2); }));
        const auto big = platform::browser::Picture::Open(folder.file("big.gif"));
        const auto huge = platform::browser::Picture::Open(folder.file("huge.gif"));
        QVERIFY(big && huge);
        QTRY_VERIFY_WITH_TIMEOUT(big->PlaysFromMemory(), 5000);
        QImageReader reader(folder.file("big.gif"));
        QList<QImage> decoded;
        for (QImage frame; reader.read(&frame);)
            decoded.append(frame.convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(decoded.size(), 20);
        QSet<int> seen;
        for (int i = 0; i < 400 && seen.size() < 4; ++i) {
            const int index = big->FrameIndex();
            if (!seen.contains(index)) {
                seen.insert(index);
                QCOMPARE(big->CurrentFrame().convertToFormat(QImage::Format_ARGB32),
                         decoded[index]);
            }
            QTest::qWait(5);
        }
        QVERIFY(seen.size() >= 2);
        QSignalSpy hugeFrames(huge.get(), &platform::browser::Picture::FrameChanged);
        QTRY_VERIFY_WITH_TIMEOUT(hugeFrames.count() > 14, 10000); // past its first loop
        QVERIFY(!huge->PlaysFromMemory());
    }

    void aPictureShownTwiceIsDecodedOnce() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("a.gif"), 4, 4, 2));
        const auto first = platform::browser::Picture::Open(folder.file("a.gif"));
        const auto second = platform::browser::Picture::Open(folder.file("a.gif"));
        QVERIFY(first);
        QCOMPARE(first.get(), second.get());
        QVERIFY(!platform::browser::Picture::Open(folder.file("none.gif")));
    }

    void hoverReportsTheLinkAndLeavingEmptiesIt() {
        CurrentFolder folder;
        Browser b(LinkedPicture(folder, "http://a.example/x"));
        QSignalSpy status(&b.view, &WebBrowser::StatusTextChange);
        Hover(b.Page(), QPoint(10, 10));
        QCOMPARE(status.count(), 1);
        QCOMPARE(status.last().first().toString(), QString("http://a.example/x"));
        QCOMPARE(b.Page()->cursor().shape(), Qt::PointingHandCursor);
        Hover(b.Page(), QPoint(12, 11)); // same link: nothing new
        QCOMPARE(status.count(), 1);
        Hover(b.Page(), QPoint(150, 100));
        QCOMPARE(status.last().first().toString(), QString());
        QCOMPARE(b.Page()->cursor().shape(), Qt::ArrowCursor);
        Hover(b.Page(), QPoint(10, 10));
        LeaveView(b.Page());
        QCOMPARE(status.last().first().toString(), QString());
    }

    void clickRaisesBeforeNavigateAndCancelKeepsThePage() {
        CurrentFolder folder;
        Browser b(LinkedPicture(folder, "http://a.example/go"));
        NavigationLog log(b.view, true);
        QTest::mouseClick(b.Page(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen.first().url, QString("http://a.example/go"));
        QTest::qWait(50);
        QCOMPARE(b.Shot().pixelColor(150, 100), QColor(255, 255, 0));
    }

    void uncancelledClickNavigatesAndAnHttpAddressShowsTheBuiltInPage() {
        CurrentFolder folder;
        Browser b(LinkedPicture(folder, "http://a.example/go"));
        NavigationLog log(b.view, false);
        HtmlDocument* doc = b.view.Document();
        QTest::mouseClick(b.Page(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(log.seen.size(), 1);
        // The built-in page is white, the written one yellow.
        QTRY_COMPARE(b.Shot().pixelColor(150, 100), QColor(Qt::white));
        QCOMPARE(b.view.Document(), doc);
    }

    void linkWithATargetAsksForANewWindowFirst() {
        CurrentFolder folder;
        const QString page = LinkedPicture(folder, "http://a.example/w", "target='_blank'");
        for (bool cancelNewWindow : {true, false}) {
            Browser b(page);
            NavigationLog log(b.view, true);
            int newWindows = 0;
            connect(&b.view, &WebBrowser::NewWindow2, this, [&](QObject*&, bool& Cancel) {
                ++newWindows;
                QCOMPARE(log.seen.size(), 0); // before the navigation is announced
                Cancel = cancelNewWindow;
            });
            QTest::mouseClick(b.Page(), Qt::LeftButton, {}, QPoint(10, 10));
            QCOMPARE(newWindows, 1);
            QCOMPARE(log.seen.size(), cancelNewWindow ? 0 : 1);
        }
    }

    void aHandlerMayDestroyTheViewInsideTheClick() {
        CurrentFolder folder;
        QPointer<WebBrowser> view = new WebBrowser;
        view->resize(200, 150);
        view->show();
        view->Navigate2("about:" + LinkedPicture(folder, "http://a.example/"));
        QTRY_VERIFY(view->Document() != nullptr);
        connect(
            view, &WebBrowser::BeforeNavigate2, this,
            [view](QObject*, QVariant&, QVariant&, QVariant&, QVariant&, QVariant&, bool& Cancel) {
                Cancel = true;
                view->deleteLater(); // as a window closing from its own click handler
            });
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QTRY_VERIFY(!view);
    }

    void keysReachTheDocumentWithDesktopCodesAndScrollUnlessTakenAway() {
        QString tall = "<html><body>";
        for (int i = 0; i < 50; ++i)
            tall += "<p>line</p>";
        Browser b(tall + "</body></html>");
        QScrollBar* bar = b.view.verticalScrollBar();
        QVERIFY(bar->isVisible());
        QVERIFY(bar->maximum() > 0);
        HtmlDocument* doc = b.view.Document();
        QList<int> codes;
        bool takeAway = false;
        connect(doc, &HtmlDocument::onkeydown, this, [&] {
            codes << doc->parentWindow()->event()->keyCode;
            if (takeAway)
                doc->parentWindow()->event()->keyCode = 0;
        });
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End,
                            Qt::Key_Home, Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down,
                            Qt::Key_Q, Qt::Key_5, Qt::Key_F5, Qt::Key_Tab})
            QTest::keyClick(&b.view, key);
        QCOMPARE(codes, QList<int>({13, 33, 34, 35, 36, 37, 38, 39, 40, 'Q', '5', 116, 9}));

        const int before = bar->value();
        QTest::keyClick(&b.view, Qt::Key_Down);
        QVERIFY(bar->value() > before);
        takeAway = true;
        const int held = bar->value();
        QTest::keyClick(&b.view, Qt::Key_Down);
        QTest::keyClick(&b.view, Qt::Key_PageDown);
        QTest::keyClick(&b.view, Qt::Key_End);
        QCOMPARE(bar->value(), held);
        // returnValue false also takes the effect away.
        takeAway = false;
        connect(doc, &HtmlDocument::onkeydown, this,
                [&] { doc->parentWindow()->event()->returnValue = false; });
        QTest::keyClick(&b.view, Qt::Key_End);
        QCOMPARE(bar->value(), held);
    }

    void scrollBarsOnlyWhereThePageNeedsThemAndNeverWithScrollNo() {
        QString tall;
        for (int i = 0; i < 50; ++i)
            tall += "<p>line</p>";
        Browser shortPage("<html><body>short</body></html>");
        QVERIFY(!shortPage.view.verticalScrollBar()->isVisible());
        Browser tallPage("<html><body>" + tall + "</body></html>");
        QVERIFY(tallPage.view.verticalScrollBar()->isVisible());
        QVERIFY(!tallPage.view.horizontalScrollBar()->isVisible());
        Browser off("<html><body scroll='no'>" + tall + "</body></html>");
        QVERIFY(!off.view.verticalScrollBar()->isVisible());
        QCOMPARE(off.view.verticalScrollBar()->maximum(), 0);
        QTest::keyClick(&off.view, Qt::Key_End);
        QCOMPARE(off.view.verticalScrollBar()->value(), 0);

        // The wheel scrolls a page that can scroll, and not one that cannot.
        auto wheel = [](Browser& b) {
            QWheelEvent event(QPointF(50, 50), b.Page()->mapToGlobal(QPointF(50, 50)), QPoint(),
                              QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(b.Page(), &event);
            return b.view.verticalScrollBar()->value();
        };
        QVERIFY(wheel(tallPage) > 0);
        QCOMPARE(wheel(off), 0);
    }

    // A page is laid out exactly as wide as the view shows it beside the scroll bar, also
    // when it is laid out again with the bar already there.
    void pageIsAsWideAsItsViewBesideTheScrollBar_data() {
        QTest::addColumn<int>("height");
        QTest::newRow("no bar") << 100;
        QTest::newRow("bar") << 2000;
    }
    void pageIsAsWideAsItsViewBesideTheScrollBar() {
        QFETCH(int, height);
        const QString page = QStringLiteral("<html><body topmargin=0 leftmargin=0 "
                                            "rightmargin=0><table width='100%' cellspacing=0 "
                                            "cellpadding=0 border=0><tr><td bgcolor='#0000ff' "
                                            "height=%1></td></tr></table></body></html>")
                                 .arg(height);
        Browser b(page);
        b.Write(page);
        b.view.resize(210, 150);
        QCOMPARE(b.view.verticalScrollBar()->isVisible(), height > 150);
        const QImage shot = b.Page()->grab().toImage();
        QCOMPARE(shot.pixelColor(shot.width() - 1, 10), QColor(0, 0, 255));
    }

    void rightClickAndDragOnTextRaiseTheirEventsOnce() {
        Browser b("<html><body topmargin=0 leftmargin=0><font size=7>Текст текст текст</font>"
                  "</body></html>",
                  QSize(400, 200));
        HtmlDocument* doc = b.view.Document();
        int menus = 0, selections = 0;
        connect(doc, &HtmlDocument::oncontextmenu, this, [&](bool& result) {
            ++menus;
            QVERIFY(doc->parentWindow()->event());
            result = false;
        });
        connect(doc, &HtmlDocument::onselectstart, this, [&](bool& result) {
            ++selections;
            result = false;
        });
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(20, 20),
                               b.Page()->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(b.Page(), &menu);
        QCOMPARE(menus, 1);
        QVERIFY(!QApplication::activePopupWidget());

        QTest::mousePress(b.Page(), Qt::LeftButton, {}, QPoint(20, 20));
        for (int x = 25; x < 120; x += 10) {
            QMouseEvent move(QEvent::MouseMove, QPoint(x, 22), b.Page()->mapToGlobal(QPoint(x, 22)),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(b.Page(), &move);
        }
        QTest::mouseRelease(b.Page(), Qt::LeftButton, {}, QPoint(120, 22));
        QCOMPARE(selections, 1);

        // A drag that starts beside the text is no selection.
        QTest::mousePress(b.Page(), Qt::LeftButton, {}, QPoint(380, 180));
        QMouseEvent move(QEvent::MouseMove, QPoint(300, 150),
                         b.Page()->mapToGlobal(QPoint(300, 150)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(b.Page(), &move);
        QTest::mouseRelease(b.Page(), Qt::LeftButton, {}, QPoint(300, 150));
        QCOMPARE(selections, 1);
    }

    void presentationalAttributes() {
        // bgcolor on the body covers the whole view; margins of the body attributes.
        Browser body("<html><body bgcolor='#102030' topmargin='5' leftmargin='7'>" +
                     Block("#ff0000", 4, 4) + "</body></html>");
        QImage shot = body.Shot();
        QCOMPARE(shot.pixelColor(190, 140), QColor(0x10, 0x20, 0x30));
        QCOMPARE(shot.pixelColor(2 + 7, 2 + 5), QColor(255, 0, 0));
        QCOMPARE(shot.pixelColor(2 + 6, 2 + 5), QColor(0x10, 0x20, 0x30));

        // cellpadding pads the cells of its table.
        Browser cells("<html><body topmargin=0 leftmargin=0 bgcolor='#000000'><table "
                      "cellspacing=0 cellpadding=6 border=0><tr><td bgcolor='#00ff00'>" +
                      Block("#ff0000", 4, 4) + "</td></tr></table></body></html>");
        shot = cells.Shot();
        QCOMPARE(shot.pixelColor(2, 2), QColor(0, 255, 0));
        QCOMPARE(shot.pixelColor(2 + 6, 2 + 6), QColor(255, 0, 0));

        // A table inside <center> is centred.
        Browser centred("<html><body topmargin=0 leftmargin=0 rightmargin=0 bgcolor='#000000'>"
                        "<center>" +
                            Block("#ff0000", 20, 4) + "</center></body></html>",
                        QSize(104, 50));
        shot = centred.Shot();
        QCOMPARE(shot.pixelColor(2 + 40, 2), QColor(255, 0, 0));
        QCOMPARE(shot.pixelColor(2 + 39, 2), QColor(0, 0, 0));

        QCOMPARE(platform::browser::FontSizeToCss("1"), std::string("10px"));
        QCOMPARE(platform::browser::FontSizeToCss("4"), std::string("18px"));
        QCOMPARE(platform::browser::FontSizeToCss("+1"), std::string("18px"));
        QCOMPARE(platform::browser::FontSizeToCss("-2"), std::string("10px"));
        QCOMPARE(platform::browser::FontSizeToCss("9"), std::string("48px"));
        QCOMPARE(platform::browser::FontSizeToCss("big"), std::string());
    }

    void anyTextIsShownWithoutCrashOrHang_data() {
        QTest::addColumn<QByteArray>("text");
        QRandomGenerator random(20261206);
        QByteArray noise(64 * 1024, '\0');
        for (char& c : noise)
            c = static_cast<char>(random.bounded(256));
        QByteArray nested;
        for (int i = 0; i < 100000; ++i)
            nested += "<div><b>";
        QByteArray belowTagLimit, allowed;
        for (int i = 0; i < 490; ++i)
            belowTagLimit += "<div><b>";
        for (int i = 0; i < 390; ++i)
            allowed += "<div>";
        QByteArray huge;
        while (huge.size() < 3 * 1024 * 1024)
            huge += "<p>Строка <b>текста</b> с <a href='http://x.example/'>ссылкой</a></p>\n";
        QTest::newRow("random bytes") << noise;
        QTest::newRow("truncated") << QByteArray("<html><body><table><tr><td><a href='http");
        QTest::newRow("malformed") << QByteArray("</b></table><td><<>><img src=><font size=+99 "
                                                 "face=>x</font></tr></html><body>");
        QTest::newRow("deeply nested") << nested;
        QTest::newRow("nested just within the tag count") << belowTagLimit;
        QTest::newRow("nested as deep as allowed") << allowed + "text";
        QTest::newRow("a few MiB") << huge;
        QTest::newRow("NUL inside") << QByteArray("<html><body>a\0b</body></html>", 30);
    }
    void anyTextIsShownWithoutCrashOrHang() {
        QFETCH(QByteArray, text);
        Browser b;
        b.Write(QString::fromUtf8(text));
        QVERIFY(!b.Shot().isNull());
        b.view.Navigate2("about:" + QString::fromUtf8(text));
        QTRY_VERIFY(!b.Shot().isNull());
        QTest::keyClick(&b.view, Qt::Key_End);
        Hover(b.Page(), QPoint(50, 50));
    }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
