// The overlay window: its page, its size and the view's place for a picture, what it shows of
// the picture, the repeated showing by the timer, awkward names, and the popup menu.
#include "support/Fixtures.h"
#include "support/ProgramWindows.h"

#include "app/Program.h"
#include "app/frmForma.h"
#include "overlay/frmGif.h"
#include "platform/ColourKey.h"
#include "platform/toolkit/TextBox.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QTimer>

using fixtures::CurrentFolder;
using fixtures::MessageRecorder;
using fixtures::RunEventLoop;

namespace {

// A picture whose every pixel has its own colour (within 256), so that a shifted or cut
// copy is told from the right one; index 0 is pure black and index 1 is RGB 1,0,0.
bool WritePatternGif(const QString& path, int width, int height) {
    QList<QColor> palette;
    for (int i = 0; i < 256; ++i)
        palette << (i == 1 ? QColor(1, 0, 0) : QColor(i, (i * 37) % 256, (i * 91) % 256));
    return fixtures::WriteDrawnGif(path, width, height, 1, palette, 5, [](int, int x, int y) {
        return static_cast<std::uint8_t>((x * 3 + y * 17) % 256);
    });
}

bool OverlayShown() {
    return frmGif::IsLoaded() && frmGif::Instance().Visible();
}

// Starts the program's windows in a folder with one picture, which then opens by itself.
bool StartWithTheOnlyPicture() {
    frmForma::Instance();
    return QTest::qWaitFor(OverlayShown, 3000);
}

} // namespace

class TestOverlay : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { fixtures::DiscardProgramWindows(); }

    void pageIsTheTemplateThenThePictureWithItsNameEscaped() {
        const QString pageTemplate = platform::ResourceText(":/layouts/overlay-page.html");
        QCOMPARE(pageTemplate,
                 QString("<!DOCTYPE HTML PUBLIC '-//W3C//DTD HTML 4.0 Transitional//EN'><html>"
                         "<head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                         "charset=windows-1251\"><title>Заголовок</title></head><body "
                         "scroll='no' topmargin=\"0\" leftmargin=\"0\" rightmargin=\"0\" "
                         "bgcolor=\"#000000\"><a class='NewTest' "
                         "href='http://figure.lumivast.invalid/'>\r\n"));
        QCOMPARE(frmGif::OverlayPage("T", "/home/u/", "cat.gif"),
                 QString("T<img src='/home/u/cat.gif' border='0'></a></body></html>"));
        QCOMPARE(frmGif::OverlayPage("T", "/a'b/", "it's <&>\".gif"),
                 QString("T<img src='/a&#39;b/it&#39;s &lt;&amp;&gt;&quot;.gif' "
                         "border='0'></a></body></html>"));
    }

    void sizesAndPlacesForAPicture() {
        CurrentFolder folder;
        QVERIFY(WritePatternGif(folder.file("pattern.gif"), 100, 80));
        QVERIFY(StartWithTheOnlyPicture());
        frmGif& overlay = frmGif::Instance();
        QCOMPARE(overlay.Width(), 1470.0);
        QCOMPARE(overlay.Height(), 1170.0);
        QCOMPARE(overlay.usrWeb1->geometry(), QRect(-1, -1, 100, 80));
        QCOMPARE(overlay.usrWeb2->geometry(), QRect(96, 256, 2, 9));
        QVERIFY(overlay.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(overlay.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(overlay.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(overlay.testAttribute(Qt::WA_ShowWithoutActivating));
        // usrWeb2 lies beneath usrWeb1.
        const QObjectList children = overlay.children();
        QVERIFY(children.indexOf(overlay.usrWeb2) < children.indexOf(overlay.usrWeb1));
    }

    void windowShowsThePictureWithoutItsOutermostPixels() {
        CurrentFolder folder;
        QVERIFY(WritePatternGif(folder.file("pattern.gif"), 100, 80));
        QVERIFY(StartWithTheOnlyPicture());
        QImage source(folder.file("pattern.gif"));
        source = source.convertToFormat(QImage::Format_RGB32);
        const QImage shown =
            frmGif::Instance().grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), QSize(98, 78));
        int wrong = 0;
        for (int y = 0; y < 78; ++y)
            for (int x = 0; x < 98; ++x)
                wrong += shown.pixel(x, y) != source.pixel(x + 1, y + 1);
        QCOMPARE(wrong, 0);

        // The colour key leaves out exactly the pure black pixels.
        const platform::ColourKey* key = platform::ColourKey::Of(&frmGif::Instance());
        QVERIFY(key);
        int mismatches = 0;
        for (int y = 0; y < 78; ++y)
            for (int x = 0; x < 98; ++x) {
                const bool black = (source.pixel(x + 1, y + 1) & 0xffffff) == 0;
                mismatches += key->ShownRegion().contains(QPoint(x, y)) == black;
            }
        QCOMPARE(mismatches, 0);
    }

    void aLoopingAnimationIsRenderedForItsMaskOnlyInItsFirstLoop() {
        CurrentFolder folder;
        // Three frames: the left, middle and right thirds in turn.
        QVERIFY(fixtures::WriteDrawnGif(folder.file("thirds.gif"), 30, 20, 3,
                                        {Qt::black, QColor(200, 0, 0)}, 5,
                                        [](int f, int x, int) { return x / 10 == f; }));
        QVERIFY(StartWithTheOnlyPicture());
        const platform::ColourKey* key = platform::ColourKey::Of(&frmGif::Instance());
        QVERIFY(key);
        RunEventLoop(400); // more than two loops
        const int renders = key->Renders();
        const QRegion before = key->ShownRegion();
        RunEventLoop(400);
        // The frames go on changing the shape, but nothing more is rendered for it.
        QCOMPARE(key->Renders(), renders);
        QVERIFY(key->MasksComputed() <= 4);
        QTRY_VERIFY(key->ShownRegion() != before);
    }

    void timerShowsTheOpenOverlayAgainWithoutLoadingIt() {
        CurrentFolder folder;
        QVERIFY(WritePatternGif(folder.file("only.gif"), 100, 80));
        MessageRecorder messages;
        QVERIFY(StartWithTheOnlyPicture());
        frmGif* overlay = &frmGif::Instance();
        // Another picture under the same name: the timer's openings measure it, but the
        // open overlay keeps its size and page.
        QVERIFY(WritePatternGif(folder.file("only.gif"), 60, 40));
        RunEventLoop(300);
        QCOMPARE(frmForma::Instance().Image1->Width(), 900.0);
        QCOMPARE(&frmGif::Instance(), overlay);
        QCOMPARE(overlay->size(), QSize(98, 78));
        QVERIFY(messages.messages().isEmpty());
    }

    void aNameWithAnApostrophePlays() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("it's & <b>.gif"), 40, 30, 1, {QColor(1, 0, 0)}));
        QVERIFY(StartWithTheOnlyPicture());
        const QImage shown = frmGif::Instance().grab().toImage();
        QCOMPARE(shown.pixelColor(5, 5), QColor(1, 0, 0));
    }

    void aClickOnTheFigurePopsUpTheMainWindowsMenu() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("a.gif"), 40, 30, 1, {QColor(200, 0, 0)}));
        QVERIFY(StartWithTheOnlyPicture());
        QMenu* popped = nullptr;
        QTimer::singleShot(100, this, [&] {
            popped = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (popped)
                popped->close();
        });
        QWidget* page = frmGif::Instance().usrWeb1->WebBrowser1->viewport();
        QMouseEvent move(QEvent::MouseMove, QPoint(10, 10), page->mapToGlobal(QPoint(10, 10)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(page, &move);
        QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(popped, frmForma::Instance().pMenu);
        QVERIFY(OverlayShown()); // dismissed: nothing changes
    }
};

QTEST_MAIN(TestOverlay)
#include "tst_overlay.moc"
