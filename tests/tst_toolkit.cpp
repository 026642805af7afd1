// The window toolkit layer: single-instance windows, the error number, the file list, the
// picture holder and the frames of pictures, the message box and fonts.
#include "support/Fixtures.h"

#include "platform/CompactFrame.h"
#include "platform/FrameBudget.h"
#include "platform/PictureDecoder.h"
#include "platform/toolkit/Errors.h"
#include "platform/toolkit/FileListBox.h"
#include "platform/toolkit/Fonts.h"
#include "platform/toolkit/Form.h"
#include "platform/toolkit/ImageBox.h"
#include "platform/toolkit/MessageBox.h"
#include "platform/wayland/BufferPool.h"
#include "platform/wayland/Placement.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <unistd.h>

using namespace platform;
using fixtures::CurrentFolder;

namespace {

// A window that counts its loads and can be told to fail or refuse to unload.
class ProbeForm : public FormOf<ProbeForm> {
public:
    ProbeForm()
        : FormOf(ScaleMode::Twips, StartUpPosition::CenterScreen) {}
    static inline int loads = 0;
    static inline bool failLoad = false;
    static inline short cancelUnload = 0;

protected:
    void Form_Load() override {
        ++loads;
        if (failLoad)
            throw Error(errInvalidPropertyValue);
    }
    void Form_Unload(short& Cancel) override { Cancel = cancelUnload; }
};

} // namespace

class TestToolkit : public QObject {
    Q_OBJECT

private slots:
    void formLivesOnceFromFirstUseUntilUnloaded() {
        ProbeForm& first = ProbeForm::Instance();
        QCOMPARE(&ProbeForm::Instance(), &first);
        QCOMPARE(ProbeForm::loads, 1);
        QVERIFY(!first.Visible());
        // A close request that the unload step cancels keeps the window.
        ProbeForm::cancelUnload = 1;
        first.Show();
        first.close();
        QVERIFY(ProbeForm::IsLoaded() && first.Visible());
        // Otherwise it goes at once, but is destroyed only after the current event, so a
        // window may unload itself from its own handlers.
        ProbeForm::cancelUnload = 0;
        QPointer<ProbeForm> gone = &first;
        first.close();
        QVERIFY(!ProbeForm::IsLoaded() && gone && !gone->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!gone);
        // A load that fails leaves nothing behind and reaches the caller; a routine that
        // skips failing steps notes its number and goes on.
        ProbeForm::failLoad = true;
        QVERIFY(!ResumeNext([] { ProbeForm::Instance(); }));
        QCOMPARE(Err.Number, int(errInvalidPropertyValue));
        ResumeNext([] { throw std::bad_alloc(); });
        QCOMPARE(Err.Number, int(errOutOfMemory));
        QVERIFY(!ProbeForm::IsLoaded());
        ProbeForm::failLoad = false;
        delete &ProbeForm::Instance();
        QCOMPARE(ProbeForm::loads, 3);
    }

    void fileListListsMatchingFilesOnceSortedIgnoringCase() {
        CurrentFolder folder;
        for (const char* name :
             {"B.gif", "a.GIF", "c.Gif", ".hidden.gif", "notes.txt", "я.gif", "Ж.gif", "x.gif.txt"})
            QVERIFY(fixtures::WriteBytes(folder.file(QString::fromUtf8(name)), "x"));
        QVERIFY(QDir(folder.path()).mkdir("folder.gif"));
        QVERIFY(QFile::link(folder.file("gone.png"), folder.file("broken.gif")));
        FileListBox list;
        list.setPattern("*.gif");
        QStringList names;
        for (int i = 0; i < list.ListCount(); ++i)
            names << list.List(i);
        QCOMPARE(names, QStringList({"a.GIF", "B.gif", "c.Gif", "Ж.gif", "я.gif"}));
        QCOMPARE(list.Path(), QDir(folder.path()).absolutePath());
        QCOMPARE(list.ListIndex(), -1);
        QVERIFY(fixtures::WriteBytes(folder.file("d.gif"), "x")); // read once: not listed
        QCOMPARE(list.ListCount(), short(5));
    }

    void fileListReportsOnlyKeysPressedInIt() {
        FileListBox list;
        QList<short> released;
        connect(&list, &FileListBox::KeyUp, &list,
                [&released](short& key, short) { released << key; });
        // Released here after a press somewhere else: Enter closing a dialog.
        QTest::keyRelease(&list, Qt::Key_Return);
        QVERIFY(released.isEmpty());
        QTest::keyClick(&list, Qt::Key_Return);
        QCOMPARE(released, QList<short>{13});
        // Pressed here, but the focus went elsewhere before the release.
        QTest::keyPress(&list, Qt::Key_Enter);
        QFocusEvent focusOut(QEvent::FocusOut);
        QApplication::sendEvent(&list, &focusOut);
        QTest::keyRelease(&list, Qt::Key_Enter);
        QCOMPARE(released, QList<short>{13});
    }

    // Each kind of failure has its number; what the program makes of pictures that cannot
    // be shown is tested with its windows.
    void imageBoxLoadsPicturesAndRefusesBadOnesKeepingItsOwn_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("error");
        QTest::newRow("good") << "a.gif" << 0;
        QTest::newRow("missing") << "missing.gif" << int(errFileNotFound);
        QTest::newRow("folder") << "folder.gif" << int(errPathFileAccess);
        QTest::newRow("unreadable") << "locked.gif" << int(errPermissionDenied);
        QTest::newRow("no picture") << "text.gif" << int(errInvalidPicture);
    }
    void imageBoxLoadsPicturesAndRefusesBadOnesKeepingItsOwn() {
        QFETCH(QString, name);
        QFETCH(int, error);
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif("kept.gif", 20, 10) && fixtures::WriteBytes("text.gif", "text"));
        QVERIFY(fixtures::WriteGif("a.gif", 40, 30, 1, {QColor(1, 0, 0)}) &&
                QDir().mkdir("folder.gif"));
        if (name == "locked.gif") {
            if (geteuid() == 0)
                QSKIP("permissions do not bind the superuser");
            QVERIFY(fixtures::WriteGif(name, 20, 10) &&
                    QFile::setPermissions(name, QFileDevice::WriteOwner));
        }
        ImageBox image;
        image.LoadPicture("kept.gif");
        try {
            image.LoadPicture(name);
            QCOMPARE(0, error);
            QCOMPARE(image.size(), QSize(40, 30));
            QCOMPARE(image.Picture().pixelColor(5, 5), QColor(1, 0, 0));
        } catch (const Error& e) {
            QCOMPARE(e.Number(), error);
            QCOMPARE(image.size(), QSize(20, 10));
        }
    }

    // Each rule by which browsers compose a GIF's frames, in a file shaped to need it: the
    // picture each frame leaves (as letters, see GifBytes) and its delay, and the plays.
    void gifFramesComposedAsBrowsersCompose_data() {
        using fixtures::GifBytes;
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<int>("repeats");
        const QRect dot(0, 0, 1, 1), row(0, 0, 3, 1);
        QTest::newRow("disposed to background: its own area cleared to transparent, not the "
                      "background colour")
            << GifBytes({3, 1}, "KRGY", {{row, "RRR", 5, 1}, {{1, 0, 1, 1}, "G", 5, 2}, {dot, "G"}},
                        {}, 'Y')
            << QStringList{"RRR 50", "RGR 50", "G.R 50"} << -1;
        QTest::newRow("first frame smaller than the screen: the rest transparent")
            << GifBytes({3, 2}, "KR", {{{1, 1, 1, 1}, "R"}}) << QStringList{"...|.R. 50"} << -1;
        QTest::newRow("first frame beyond the screen: enlarged to hold it, later ones cut")
            << GifBytes({2, 1}, "KRG", {{{1, 0, 2, 2}, "RRRR"}, {{2, 1, 2, 2}, "GGGG"}})
            << QStringList{".RR|.RR 50", ".RR|.RG 50"} << -1;
        QTest::newRow("0 × 0 screen")
            << GifBytes({0, 0}, "KRG", {{{0, 0, 2, 1}, "RG"}}) << QStringList{"RG 50"} << -1;
        QTest::newRow("restore previous (3), and 4 as 3")
            << GifBytes({3, 1}, "KRGB",
                        {{row, "RRR", 5, 1},
                         {{1, 0, 1, 1}, "G", 5, 3},
                         {{2, 0, 1, 1}, "B", 5, 4},
                         {dot, "G", 5, 1}})
            << QStringList{"RRR 50", "RGR 50", "RRB 50", "GRR 50"} << -1;
        QTest::newRow("transparent index keeps what lies beneath; a table of the frame's own")
            << GifBytes({3, 1}, "KR", {{row, "RRR"}, {row, "BKB", 5, 1, 'K', false, "KB"}})
            << QStringList{"RRR 50", "BRB 50"} << -1;
        // Rows stand in the file pass by pass: every 8th from row 0, every 8th from row 4,
        // every 4th from row 2, every other from row 1.
        for (const QByteArray& rows : {"RBG", "RBGY", "RRRBBGYGY"}) {
            const QString shown = QString("R|G|B|Y|R|G|B|Y|R").left(rows.size() * 2 - 1) + " 50";
            QTest::addRow("interlaced, %d rows", int(rows.size()))
                << GifBytes({1, int(rows.size())}, "KRGBY",
                            {{{0, 0, 1, int(rows.size())}, rows, 5, 0, 0, true}})
                << QStringList{shown} << -1;
        }
        const QList<fixtures::GifFrame> blink{
            {dot, "R", 0}, {dot, "G", 1}, {dot, "R", 2}, {dot, "G", 50}};
        const QStringList blinks{"R 100", "G 100", "R 20", "G 500"};
        QTest::newRow("delays of 10 ms and less as 100 ms; loop block after the first frame")
            << GifBytes({1, 1}, "KRG", blink, {1, 2}) << blinks << 2;
        QTest::newRow("ANIMEXTS1.0 counts as NETSCAPE2.0")
            << GifBytes({1, 1}, "KRG", blink, {0, 3, "ANIMEXTS1.0"}) << blinks << 3;
        QTest::newRow("loop block at the end, for ever")
            << GifBytes({1, 1}, "KRG", blink, {4, 0}) << blinks << 0;
    }
    void gifFramesComposedAsBrowsersCompose() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, frames);
        QFETCH(int, repeats);
        CurrentFolder folder;
        QVERIFY(!file.isEmpty() && fixtures::WriteBytes("p.gif", file));
        PictureDecoder decoder("p.gif");
        QCOMPARE(decoder.Problem(), QString());
        const auto shown = [&] {
            return fixtures::Letters(decoder.Frame()) + ' ' + QString::number(decoder.DelayMs());
        };
        QStringList played;
        while (decoder.Next())
            played << shown();
        QCOMPARE(played, frames);
        QCOMPARE(decoder.Repeats(), repeats);
        // Decoded again from the start, the same first picture.
        decoder.Rewind();
        QVERIFY(decoder.Next());
        QCOMPARE(shown(), frames.first());
        // Each frame again after the last, twice: the second time from where the first jump
        // back began.
        const int last = int(frames.size()) - 1;
        for (int wanted = 0; wanted <= last; ++wanted)
            for (int time = 0; time < 2; ++time) {
                QVERIFY(decoder.SeekTo(last) && decoder.SeekTo(wanted));
                QCOMPARE(shown(), frames[wanted]);
            }
        QVERIFY(!decoder.SeekTo(last + 1));
    }

    // Pictures are measured from their blocks before anything is decoded: each limit at its
    // boundary, in files of single-pixel frames whatever their screens, and files cut short
    // (where the trailer alone is missing, the frames are all there).
    void picturesBeyondTheLimitsAreRefusedBeforeDecoding_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("problem");
        const auto dots = [](QSize screen, int frames) {
            return fixtures::GifBytes(screen, "KR",
                                      QList<fixtures::GifFrame>(frames, {{1, 0, 1, 1}, "R"}));
        };
        const QString tooLarge = "picture too large", tooMuch = "animation too large to play";
        QTest::newRow("16385 wide") << dots({16385, 1}, 1) << tooLarge;
        QTest::newRow("a frame beyond 256 MiB") << dots({8193, 8192}, 1) << tooLarge;
        // Frames each far within what the toolkit's own reader allows, together at or just
        // beyond the 1 GiB budget.
        QTest::newRow("frames at the budget") << dots({4096, 4096}, 16) << "";
        QTest::newRow("one frame more: a bomb") << dots({4096, 4096}, 17) << tooMuch;
        // A later frame of 16385 × 16385 on a screen of 2 × 1: decoded whole, however cut.
        QByteArray hugeFrame = dots({2, 1}, 2);
        const QByteArray secondFrame(",\1\0\0\0\1\0\1\0", 9);
        hugeFrame.replace(hugeFrame.lastIndexOf(secondFrame) + 5, 4, "\1\x40\1\x40");
        QTest::newRow("a huge frame beyond the screen") << hugeFrame << tooMuch;
        // Four later frames of 8192 × 8192 on the same screen, each alone a quarter of the
        // budget: with the first, one pixel beyond it.
        QByteArray largeFrames = dots({2, 1}, 5);
        for (int at = largeFrames.indexOf(secondFrame) + 1;
             (at = largeFrames.indexOf(secondFrame, at)) >= 0;)
            largeFrames.replace(at + 5, 4, QByteArray("\0\x20\0\x20", 4));
        QTest::newRow("large frames together beyond the budget") << largeFrames << tooMuch;
        // The screen times its frames beyond what 32 bits hold, signed and unsigned.
        QTest::newRow("33 frames of the largest screen") << dots({8192, 8192}, 33) << tooMuch;
        QTest::newRow("65 frames of the largest screen") << dots({8192, 8192}, 65) << tooMuch;
        const QByteArray whole = dots({2, 1}, 3);
        const QString incomplete = "incomplete GIF";
        QTest::newRow("cut in the header") << whole.left(10) << incomplete;
        QTest::newRow("cut in the first frame")
            << whole.left(whole.indexOf(',') + 12) << incomplete;
        QTest::newRow("cut in the last frame") << whole.chopped(3) << incomplete;
        QTest::newRow("only the trailer missing") << whole.chopped(1) << "";
    }
    void picturesBeyondTheLimitsAreRefusedBeforeDecoding() {
        QFETCH(QByteArray, file);
        QFETCH(QString, problem);
        CurrentFolder folder;
        QVERIFY(fixtures::WriteBytes("p.gif", file));
        QCOMPARE(PictureDecoder("p.gif").Problem(), problem);
    }

    // Frames kept as they are at twice their pixels (a Wayland buffer at 200 %) count their
    // bytes there, and compact at their own size: beyond four at 200 × 200, ten compact ones
    // of 100 × 100.
    void framesKeptLargerCountAtEachSize() {
        platform::FrameBudget budget(4 * 200 * 200 * 4, 10 * 100 * 100 + 1000);
        QVERIFY(budget.Resized({200, 200}));
        QImage frame(100, 100, QImage::Format_RGB32), compact;
        frame.fill(Qt::red);
        QList<platform::FrameBudget::Form> forms;
        for (int i = 0; i < 16; ++i)
            forms << budget.Keep(frame, compact);
        QCOMPARE(forms.count(platform::FrameBudget::Form::AsIs), 4);
        QCOMPARE(forms.count(platform::FrameBudget::Form::Compact), 10);
    }

    // The figure on an output of each scale people choose: picture pixels in whole blocks by
    // the program's rule, a buffer the compositor copies (its logical size at the scale is
    // the buffer's size), holding the whole picture, centred on the output on a device pixel.
    void placementOnScaledOutputs_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("factor");
        for (const auto& [scale, factor] :
             {std::pair{1.0, 1}, {1.25, 1}, {1.5, 1}, {1.75, 2}, {2.0, 2}, {2.5, 2}, {3.0, 3}})
            QTest::addRow("%g", scale) << scale << factor;
    }
    void placementOnScaledOutputs() {
        QFETCH(double, scale);
        QFETCH(int, factor);
        const QRect output(1280, 0, 1280, 1024);
        const QSize picture(239, 157);
        const platform::wayland::Placement p = platform::wayland::Place(picture, scale, output);
        QCOMPARE(p.factor, factor);
        const double drawnAt = p.viewport ? scale : p.bufferScale;
        QCOMPARE(QSizeF(p.logical) * drawnAt, QSizeF(p.buffer));
        QVERIFY(p.buffer.width() >= picture.width() * factor &&
                p.buffer.height() >= picture.height() * factor);
        QVERIFY(p.margin);
        const QPointF centre =
            QPointF(*p.margin) + QPointF(p.logical.width(), p.logical.height()) / 2;
        QVERIFY((centre - QPointF(640, 512)).manhattanLength() <= 4);
        QCOMPARE(QPointF(*p.margin) * scale, QPointF((QPointF(*p.margin) * scale).toPoint()));
        // Drawn into the buffer in blocks of the factor, kept compact or not, the rest of the
        // buffer transparent.
        QImage frame(picture, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                frame.setPixel(x, y, qRgb(x % 7 * 30, y % 5 * 50, 9));
        const QImage compact = platform::CompactFrame(frame);
        QCOMPARE(compact.format(), QImage::Format_Indexed8);
        for (const QImage& from : {frame, compact}) {
            QImage drawn(p.buffer, QImage::Format_ARGB32_Premultiplied);
            drawn.fill(Qt::white);
            platform::wayland::Buffer buffer;
            buffer.memory = drawn.bits();
            platform::wayland::DrawInto(buffer, p.buffer, from, factor);
            for (int y = 0; y < p.buffer.height(); ++y)
                for (int x = 0; x < p.buffer.width(); ++x) {
                    const QPoint at(x / factor, y / factor);
                    const QRgb expected = frame.rect().contains(at) ? frame.pixel(at) : 0;
                    if (drawn.pixel(x, y) != expected)
                        QFAIL(qPrintable(
                            QString("%1 at %2,%3")
                                .arg(from.format() == QImage::Format_Indexed8 ? "compact" : "as is")
                                .arg(x)
                                .arg(y)));
                }
        }
    }

    void messageBoxIsModalAboveAllWithStopIconOneButtonAndTitle() {
        const auto box =
            MakeMessageBox("Файл «x.gif» не найден.", vbOKOnly | vbCritical, "Lumivast");
        QCOMPARE(box->windowTitle(), QString("Lumivast"));
        QCOMPARE(box->text(), QString("Файл «x.gif» не найден."));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QCOMPARE(box->buttons().size(), 1);
        QVERIFY(box->windowModality() == Qt::ApplicationModal && !box->parent());
        QVERIFY(box->windowFlags() & Qt::WindowStaysOnTopHint);
    }

    void designedFontsResolveToFacesWithCyrillic() {
        InstallFontSubstitutes();
        for (const char* family : {"MS Sans Serif", "Times New Roman"}) {
            const QFontInfo resolved(QFont(family, 12, QFont::Bold));
            QVERIFY2(
                QFontDatabase::writingSystems(resolved.family()).contains(QFontDatabase::Cyrillic),
                qPrintable(resolved.family()));
            QVERIFY(resolved.bold());
        }
        QCOMPARE(QFontInfo(QFont("Times New Roman")).family(), QString("Liberation Serif"));
    }
};

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
