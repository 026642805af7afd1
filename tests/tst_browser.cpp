// The web browser control: the document's life, painting, pictures, links and scrolling.
// What the views make of keys and the document's events is tested with the views; any text
// is the HTML fuzz target's (tests/fuzz).
#include "support/Fixtures.h"

#include "platform/PictureDecoder.h"
#include "platform/browser/HtmlDocument.h"
#include "platform/browser/Picture.h"
#include "platform/browser/Presentational.h"
#include "platform/browser/WebBrowser.h"
#include "platform/toolkit/Fonts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

using fixtures::CurrentFolder;
using platform::browser::HtmlDocument;
using platform::browser::WebBrowser;

namespace {

// A shown browser of the given size whose document holds `html` (none when null).
struct Browser {
    explicit Browser(const QString& html, QSize size = QSize(200, 150)) {
        view.resize(size);
        view.show();
        if (html.isNull())
            return;
        view.Navigate2(QStringLiteral("about:<html><body></body></html>"));
        if (QTest::qWaitFor([this] { return view.Document() != nullptr; }, 3000))
            Write(html);
    }
    void Write(const QString& html) {
        view.Document()->Clear();
        view.Document()->Write(html);
        view.Document()->Close();
    }
    QImage Shot() { return view.grab().toImage(); }
    QWidget* Page() { return view.viewport(); }
    WebBrowser view;
};

void Hover(QWidget* page, QPoint pos) {
    QMouseEvent move(QEvent::MouseMove, pos, page->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(page, &move);
}

} // namespace

class TestBrowser : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { platform::InstallFontSubstitutes(); }

    void documentAppearsLaterAndRewritingKeepsItAndItsHandlers() {
        Browser b(QString{});
        b.view.Navigate2("about:<html><body bgcolor='#0000ff'></body></html>");
        QVERIFY(!b.view.Document());
        QTRY_COMPARE(b.Shot().pixelColor(100, 100), QColor(0, 0, 255));
        HtmlDocument* doc = b.view.Document();
        QCOMPARE(doc->Script()->Document(), doc);
        int keys = 0;
        connect(doc, &HtmlDocument::onkeydown, this, [&] { ++keys; });
        b.Write("<html><body bgcolor='#00ff00'>two</body></html>");
        QCOMPARE(b.view.Document(), doc);
        QCOMPARE(b.Shot().pixelColor(100, 100), QColor(0, 255, 0));
        QTest::keyClick(&b.view, Qt::Key_A);
        QCOMPARE(keys, 1);
        b.view.Navigate2("about:blank");
        QTRY_COMPARE(b.Shot().pixelColor(100, 100), QColor(Qt::white));
        QCOMPARE(b.view.Document(), doc);
    }

    // The page sits 2 pixels inside a sunken edge; the presentational attributes of the
    // program's pages take effect, exact colours included.
    void pageInsideItsEdgeWithPresentationalAttributes() {
        const QString cell = "<table cellspacing=0 cellpadding=%1 border=0><tr><td bgcolor='%2' "
                             "width=%3 height=%4>%5</td></tr></table>";
        Browser b("<html><body bgcolor='#010000' topmargin='5' leftmargin='7'>" +
                  cell.arg(6).arg("#00ff00").arg("").arg("").arg(
                      cell.arg(0).arg("#ff0000").arg(4).arg(4).arg("")) +
                  "<center>" + cell.arg(0).arg("#0000ff").arg(20).arg(10).arg("") +
                  "</center></body></html>");
        const QImage shot = b.Shot();
        for (QPoint edge : {QPoint(0, 50), QPoint(1, 50), QPoint(199, 50), QPoint(100, 149)})
            QVERIFY(shot.pixelColor(edge) != QColor(1, 0, 0));
        QCOMPARE(shot.pixelColor(197, 147), QColor(1, 0, 0));
        QCOMPARE(shot.pixelColor(2 + 6, 2 + 5), QColor(1, 0, 0));   // the margins
        QCOMPARE(shot.pixelColor(2 + 7, 2 + 5), QColor(0, 255, 0)); // cellpadding
        QCOMPARE(shot.pixelColor(2 + 7 + 6, 2 + 5 + 6), QColor(255, 0, 0));
        // A table inside <center> is centred between the margins, from 7 + (189 - 20) / 2.
        QCOMPARE(shot.pixelColor(2 + 95, 2 + 5 + 20), QColor(0, 0, 255));
        QCOMPARE(shot.pixelColor(2 + 85, 2 + 5 + 20), QColor(1, 0, 0));
        // Font sizes 1 to 7, relative to 3, clamped; anything else is no size.
        for (auto [size, css] : {std::pair{"1", "10px"},
                                 {"4", "18px"},
                                 {"+1", "18px"},
                                 {"-2", "10px"},
                                 {"9", "48px"},
                                 {"big", ""}})
            QCOMPARE(platform::browser::FontSizeToCss(size), std::string(css));
    }

    void picturesFromPathsUrlsAndTheDocumentsFolder() {
        CurrentFolder folder;
        QVERIFY(QDir().mkdir("page"));
        const QString near = folder.file("page/near.gif");
        QVERIFY(fixtures::WriteGif(near, 30, 30, 1, {Qt::blue}));
        QVERIFY(fixtures::WriteBytes("page/index.html",
                                     "<html><body topmargin=0 leftmargin=0 bgcolor='#000000'><img "
                                     "src='near.gif'><img src='" +
                                         QUrl::fromLocalFile(near).toEncoded() +
                                         "'><img src='missing.gif'></body></html>"));
        Browser b(QString{});
        b.view.Navigate2(folder.file("page/index.html"));
        QTRY_COMPARE(b.Shot().pixelColor(2, 2), QColor(0, 0, 255));
        const QImage shot = b.Shot();
        QCOMPARE(shot.pixelColor(2 + 45, 2), QColor(0, 0, 255)); // the file: URL, beside it
        int marked = 0; // the missing one: a mark, neither black nor blue
        for (int x = 62; x < 62 + 24; ++x)
            marked +=
                shot.pixelColor(x, 2 + 20) != Qt::black && shot.pixelColor(x, 2 + 20) != Qt::blue;
        QVERIFY(marked > 12);
    }

    // Each frame stays for its own delay, in the first play (decoding) and in the later
    // ones (from kept frames), and the last play ends on the last frame; the page follows,
    // showing itself through the picture's transparent pixels.
    void animationKeepsEachFramesDelayAndStopsAfterItsPlays_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<int>>("shown");
        const QRect area(0, 0, 2, 1);
        const QList<fixtures::GifFrame> frames{
            {area, "RK", 2, 0, 'K'}, {area, "GK", 30, 0, 'K'}, {area, "BK", 2, 0, 'K'}};
        QTest::newRow("no loop block: one play")
            << fixtures::GifBytes({2, 1}, "KRGB", frames) << QList<int>{1, 2};
        QTest::newRow("repeated once: two plays")
            << fixtures::GifBytes({2, 1}, "KRGB", frames, {0, 1}) << QList<int>{1, 2, 0, 1, 2};
        QTest::newRow("one frame, for ever: it stays")
            << fixtures::GifBytes({2, 1}, "KB", {{area, "BK", 2, 0, 'K'}}, {0, 0}) << QList<int>{};
    }
    void animationKeepsEachFramesDelayAndStopsAfterItsPlays() {
        QFETCH(QByteArray, file);
        QFETCH(QList<int>, shown);
        CurrentFolder folder;
        QVERIFY(fixtures::WriteBytes("p.gif", file));
        Browser b("<html><body topmargin=0 leftmargin=0 bgcolor='#ffff00'><img src='" +
                  folder.file("p.gif") + "'></body></html>");
        // The page's own picture.
        const auto picture = platform::browser::Picture::Open(folder.file("p.gif"));
        QElapsedTimer clock;
        clock.start();
        QList<int> changes;
        QList<qint64> at{0};
        connect(picture.get(), &platform::browser::Picture::FrameChanged, this, [&] {
            changes << picture->FrameIndex();
            at << clock.elapsed();
        });
        QTRY_COMPARE_WITH_TIMEOUT(changes.size(), shown.size(), 3000);
        QTest::qWait(400);
        QCOMPARE(changes, shown);
        QCOMPARE(b.Shot().pixelColor(2, 2), QColor(Qt::blue));
        QCOMPARE(b.Shot().pixelColor(3, 2), QColor(Qt::yellow));
        // The green frame stays 300 ms each time, the others 20 ms.
        for (int i = 0; i < shown.size(); ++i) {
            const qint64 stayed = at[i + 1] - at[i];
            QVERIFY2(i % 3 == 1 ? stayed >= 280 : stayed < 200,
                     qPrintable(QString::number(stayed)));
        }
    }

    // After its first play an animation plays by its own timer: from frames kept at one byte
    // a pixel, or, when they would take too much, decoding a frame when it is looked at.
    void largeAnimationsReplayWithTheSamePixels_data() {
        QTest::addColumn<int>("frames");
        QTest::addColumn<bool>("kept");
        // 400 × 300 takes 480 KB a frame as decoded, 120 KB at one byte a pixel.
        QTest::newRow("kept") << 20 << true;
        QTest::newRow("decoded when looked at") << 40 << false;
    }
    void largeAnimationsReplayWithTheSamePixels() {
        QFETCH(int, frames);
        QFETCH(bool, kept);
        CurrentFolder folder;
        // The first pixels of every frame are transparent (index 3).
        QVERIFY(fixtures::WriteDrawnGif(
            "big.gif", 400, 300, frames,
            {Qt::black, QColor(250, 200, 40), QColor(40, 120, 250), Qt::white}, 2,
            [](int f, int x, int y) {
                return std::uint8_t(x + y < 9 ? 3 : (x / 7 + y / 5 + f) % 3);
            },
            3));
        const auto big = platform::browser::Picture::Open(folder.file("big.gif"));
        QVERIFY(big);
        platform::PictureDecoder decoder("big.gif");
        QList<QImage> decoded;
        while (decoder.Next())
            decoded.append(decoder.Frame());
        // Every frame of the second play, as it comes.
        int plays = 0;
        QSet<int> seen;
        connect(big.get(), &platform::browser::Picture::FrameChanged, this, [&] {
            plays += big->FrameIndex() == 0;
            if (plays == 1 && !seen.contains(big->FrameIndex())) {
                seen.insert(big->FrameIndex());
                QCOMPARE(big->CurrentFrame(), decoded[big->FrameIndex()]);
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(plays == 2, 10000);
        QCOMPARE(seen.size(), frames);
        QCOMPARE(big->PlaysFromMemory(), kept);
    }

    void hoverReportsTheLinkOnceAndLeavingEmptiesIt() {
        CurrentFolder folder;
        Browser b(fixtures::LinkedPicturePage(folder, "http://a.example/x"));
        QStringList status;
        connect(&b.view, &WebBrowser::StatusTextChange, this,
                [&](const QString& t) { status << t; });
        Hover(b.Page(), QPoint(10, 10));
        Hover(b.Page(), QPoint(12, 11)); // the same link: nothing new
        QCOMPARE(b.Page()->cursor().shape(), Qt::PointingHandCursor);
        Hover(b.Page(), QPoint(150, 100));
        QCOMPARE(b.Page()->cursor().shape(), Qt::ArrowCursor);
        Hover(b.Page(), QPoint(10, 10));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&b.view, &leave);
        QCOMPARE(status, QStringList({"http://a.example/x", "", "http://a.example/x", ""}));
    }

    // A click announces the navigation (a link with a target asks for a new window first);
    // cancelled, the page stays; otherwise an http address shows the built-in white page.
    void clickAnnouncesTheNavigationAndOnlyCancelKeepsThePage_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("cancelNewWindow");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << "" << false << true;
        QTest::newRow("followed") << "" << false << false;
        QTest::newRow("new window refused") << "target='_blank'" << true << false;
        QTest::newRow("new window, then cancelled") << "target='_blank'" << false << true;
    }
    void clickAnnouncesTheNavigationAndOnlyCancelKeepsThePage() {
        QFETCH(QString, target);
        QFETCH(bool, cancelNewWindow);
        QFETCH(bool, cancel);
        CurrentFolder folder;
        Browser b(fixtures::LinkedPicturePage(folder, "http://a.example/go", target));
        QStringList seen; // each navigation announced, cancelled when the row says so
        connect(&b.view, &WebBrowser::BeforeNavigate2, this,
                [&](QObject*, QVariant& url, QVariant&, QVariant&, QVariant&, QVariant&,
                    bool& Cancel) { seen << url.toString(), Cancel = cancel; });
        QStringList order;
        connect(&b.view, &WebBrowser::NewWindow2, this, [&](QObject*&, bool& Cancel) {
            order << QString("new window after %1").arg(seen.size());
            Cancel = cancelNewWindow;
        });
        HtmlDocument* doc = b.view.Document();
        QTest::mouseClick(b.Page(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(order, target.isEmpty() ? QStringList() : QStringList("new window after 0"));
        QCOMPARE(seen, cancelNewWindow ? QStringList() : QStringList("http://a.example/go"));
        QTest::qWait(50);
        const bool stays = cancel || cancelNewWindow;
        QCOMPARE(b.Shot().pixelColor(150, 100), stays ? QColor(255, 255, 0) : QColor(Qt::white));
        QCOMPARE(b.view.Document(), doc);
    }

    void aHandlerMayDestroyTheViewInsideTheClick() {
        CurrentFolder folder;
        QPointer<WebBrowser> view = new WebBrowser;
        view->show();
        view->Navigate2("about:" + fixtures::LinkedPicturePage(folder, "http://a.example/"));
        QTRY_VERIFY(view->Document() != nullptr);
        connect(
            view, &WebBrowser::BeforeNavigate2, this,
            [view](QObject*, QVariant&, QVariant&, QVariant&, QVariant&, QVariant&, bool& Cancel) {
                Cancel = true;
                delete view; // as a window closing from its own click handler
            });
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!view);
    }

    // Scroll bars where the page needs them, never with scroll='no'; the page is laid out as
    // wide as the view shows it beside its bar, also when laid out again with the bar there.
    void scrollBarsAndThePagesWidth() {
        const QString page = "<html><body topmargin=0 leftmargin=0 rightmargin=0 %1><table "
                             "width='100%' cellspacing=0 cellpadding=0 border=0><tr><td "
                             "bgcolor='#0000ff' height=%2></td></tr></table></body></html>";
        for (int height : {100, 2000}) {
            Browser b(page.arg("").arg(height));
            b.Write(page.arg("").arg(height));
            b.view.resize(210, 150);
            QCOMPARE(b.view.verticalScrollBar()->isVisible(), height > 150);
            QVERIFY(!b.view.horizontalScrollBar()->isVisible());
            const QImage shot = b.Page()->grab().toImage();
            QCOMPARE(shot.pixelColor(shot.width() - 1, 10), QColor(0, 0, 255));
        }
        auto wheel = [](Browser& b) {
            QWheelEvent event(QPointF(50, 50), b.Page()->mapToGlobal(QPointF(50, 50)), QPoint(),
                              QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(b.Page(), &event);
            QTest::keyClick(&b.view, Qt::Key_Down);
            return b.view.verticalScrollBar()->value();
        };
        Browser scrolls(page.arg("").arg(2000)), fixed(page.arg("scroll='no'").arg(2000));
        QVERIFY(wheel(scrolls) > 0);
        QCOMPARE(wheel(fixed), 0);
        QVERIFY(!fixed.view.verticalScrollBar()->isVisible());
    }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
