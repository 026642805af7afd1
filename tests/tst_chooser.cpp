// The start-up window: what it shows for zero, one and several pictures, the three ways of
// opening one, and the messages for pictures that cannot be opened.
#include "support/Fixtures.h"
#include "support/ProgramWindows.h"

#include "app/Program.h"
#include "app/frmForma.h"
#include "overlay/frmGif.h"
#include "platform/toolkit/MessageBox.h"
#include "platform/toolkit/TextBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenuBar>
#include <QTest>

using fixtures::CurrentFolder;
using fixtures::MessageRecorder;
using fixtures::RunEventLoop;
using lumivast::ApplicationFolderPath;
using lumivast::ChosenFileName;

namespace {

// Notes when the start-up window and the overlay are first shown.
class ShowWatcher : public QObject {
public:
    ShowWatcher() {
        clock.start();
        qApp->installEventFilter(this);
    }
    ~ShowWatcher() override { qApp->removeEventFilter(this); }
    bool mainShown = false;
    qint64 overlayShownAfterMs = -1;
    QElapsedTimer clock;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (qobject_cast<frmForma*>(watched))
                mainShown = true;
            if (qobject_cast<frmGif*>(watched) && overlayShownAfterMs < 0)
                overlayShownAfterMs = clock.elapsed();
        }
        return false;
    }
};

bool OverlayShown() {
    return frmGif::IsLoaded() && frmGif::Instance().Visible();
}

void PressKey(QWidget* widget, Qt::Key key) {
    QTest::keyClick(widget, key);
}

bool SelectEntry(frmForma& form, const QString& name) {
    const QList<QListWidgetItem*> found = form.File1->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    form.File1->SetListIndex(form.File1->row(found.first()));
    return true;
}

void DoubleClickEntry(frmForma& form, int row) {
    QListWidgetItem* entry = form.File1->item(row);
    QTest::mouseDClick(form.File1->viewport(), Qt::LeftButton, Qt::NoModifier,
                       form.File1->visualItemRect(entry).center());
}

} // namespace

class TestChooser : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { fixtures::DiscardProgramWindows(); }

    void folderSeparatorRule_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::newRow("desktop folder") << "C:\\Program Files\\Lumivast"
                                        << "C:\\Program Files\\Lumivast\\";
        QTest::newRow("drive root gets a second one") << "C:\\"
                                                      << "C:\\\\";
        QTest::newRow("posix folder") << "/home/user/pictures"
                                      << "/home/user/pictures/";
        QTest::newRow("posix root") << "/"
                                    << "//";
        QTest::newRow("any backslash decides") << "/home/a\\b/pics"
                                               << "/home/a\\b/pics\\";
        QTest::newRow("forward slashes only") << "C:/Games/gif"
                                              << "C:/Games/gif/";
    }
    void folderSeparatorRule() {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QCOMPARE(lumivast::WithFolderSeparator(folder), path);
    }

    void designedLayout() {
        CurrentFolder folder;
        frmForma& form = frmForma::Instance();
        QCOMPARE(form.windowTitle(), QString("Lumivast"));
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(form.windowIcon().availableSizes(),
                 QList<QSize>({QSize(16, 16), QSize(32, 32), QSize(48, 48)}));
        QCOMPARE(form.client->size(), QSize(794, 447));
        QCOMPARE(form.ScaleWidth(), 11910.0);
        QCOMPARE(form.ScaleHeight(), 6705.0);
        QCOMPARE(form.File1->geometry(), QRect(0, 0, 481, 446));
        QCOMPARE(form.usrReklamaX1->geometry(), QRect(488, 0, 305, 441));
        QCOMPARE(form.File1->font().pointSize(), 12);
        QVERIFY(form.File1->font().bold());
        QVERIFY(form.Image1->isHidden());
        QVERIFY(form.txtHtml->isHidden());
        QCOMPARE(form.Timer1->interval(), 50);
        QVERIFY(form.Timer1->isActive());

        // The menu bar holds "Меню" alone; the popup menu is never in it.
        const QList<QAction*> bar = form.menuBar->actions();
        QCOMPARE(bar.size(), 1);
        QCOMPARE(bar.first()->text(), QString("Меню"));
        QVERIFY(!bar.contains(form.pMenu->menuAction()));
        auto texts = [](const QMenu* menu) {
            QStringList list;
            for (const QAction* a : menu->actions())
                list << (a->isSeparator() ? QString("-") : a->text());
            return list;
        };
        QCOMPARE(texts(form.Menu), QStringList({"Инструкции", "О программе", "-", "Закрыть"}));
        QCOMPARE(texts(form.pMenu),
                 QStringList({"Благотворительный фонд «Подари жизнь!»",
                              "Сайт автора Vedonik - «Orbelune!»", "-", "Закрыть"}));
        QCOMPARE(form.MenuHelp->shortcut(), QKeySequence(Qt::Key_F1));
    }

    void severalPicturesShowTheListAndOpenNothingByThemselves() {
        CurrentFolder folder;
        for (const char* name : {"b.gif", "a.gif", "c.gif"})
            QVERIFY(fixtures::WriteGif(folder.file(name), 8, 8));
        MessageRecorder messages;
        frmForma& form = frmForma::Instance();
        QVERIFY(form.Visible());
        QCOMPARE(form.File1->ListCount(), short(3));
        QCOMPARE(form.File1->List(0), QString("a.gif"));
        QCOMPARE(ApplicationFolderPath, QDir::currentPath() + "/");
        // The catalogue, with CR LF line breaks kept, is shown by the panel: its frame's blue
        // is on screen.
        QVERIFY(form.txtHtml->Text().contains("\r\n"));
        QCOMPARE(form.txtHtml->Text().count("<a href=\"http://orbelune.example/site/"), 39);
        const QImage panel = form.usrReklamaX1->grab().toImage();
        bool frameBlue = false;
        for (int y = 0; y < panel.height() && !frameBlue; ++y)
            for (int x = 0; x < panel.width() && !frameBlue; ++x)
                frameBlue = panel.pixelColor(x, y) == QColor(0x33, 0x66, 0xcc);
        QVERIFY(frameBlue);
        QCOMPARE(form.usrReklamaX1->WebBrowser1->geometry(), QRect(0, 0, 305, 441));

        RunEventLoop(300);
        QVERIFY(!frmGif::IsLoaded());
        QVERIFY(messages.messages().isEmpty());
    }

    void noPictureShowsTheEmptyList() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteBytes(folder.file("readme.txt"), "x"));
        MessageRecorder messages;
        frmForma& form = frmForma::Instance();
        QVERIFY(form.Visible());
        QCOMPARE(form.File1->ListCount(), short(0));
        RunEventLoop(200);
        QVERIFY(!frmGif::IsLoaded());
        QVERIFY(messages.messages().isEmpty());
        // A double-click or Enter in the empty list opens nothing.
        QTest::mouseDClick(form.File1->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
        PressKey(form.File1, Qt::Key_Return);
        QVERIFY(!frmGif::IsLoaded());
        QVERIFY(messages.messages().isEmpty());
    }

    void onePictureOpensByItselfAndTheListNeverAppears() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("only.gif"), 100, 80, 2));
        MessageRecorder messages;
        ShowWatcher watcher;
        frmForma& form = frmForma::Instance();
        QVERIFY(!form.Visible());
        QVERIFY(!frmGif::IsLoaded()); // not before the first tick
        QTRY_VERIFY_WITH_TIMEOUT(OverlayShown(), 3000);
        QVERIFY2(watcher.overlayShownAfterMs >= 40,
                 qPrintable(QString::number(watcher.overlayShownAfterMs)));
        QCOMPARE(ChosenFileName, QString("only.gif"));
        QCOMPARE(form.Image1->Width(), 1500.0);
        QCOMPARE(form.Image1->Height(), 1200.0);
        QCOMPARE(frmGif::Instance().Width(), 1470.0);
        QCOMPARE(frmGif::Instance().Height(), 1170.0);

        // Ticks go on while it plays; the list never appears.
        RunEventLoop(300);
        QVERIFY(!watcher.mainShown);
        QVERIFY(OverlayShown());
        QVERIFY(messages.messages().isEmpty());
    }

    void enterOpensTheSelectedPicture() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("a.gif"), 10, 10));
        QVERIFY(fixtures::WriteGif(folder.file("b.gif"), 100, 50));
        frmForma& form = frmForma::Instance();

        PressKey(form.File1, Qt::Key_Return); // nothing selected
        QVERIFY(!frmGif::IsLoaded());
        form.File1->SetListIndex(1);
        PressKey(form.File1, Qt::Key_Space); // only Enter opens
        QVERIFY(!frmGif::IsLoaded());
        PressKey(form.File1, Qt::Key_Enter); // the keypad's Enter too
        QVERIFY(OverlayShown());
        QVERIFY(!form.Visible());
        QCOMPARE(ChosenFileName, QString("b.gif"));
        QCOMPARE(form.Image1->Width(), 1500.0);
        QCOMPARE(form.Image1->Height(), 750.0);
        QCOMPARE(frmGif::Instance().size(), QSize(98, 48));
    }

    void doubleClickOpensTheEntry() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("a.gif"), 10, 10));
        QVERIFY(fixtures::WriteGif(folder.file("b.gif"), 30, 20));
        frmForma& form = frmForma::Instance();
        // Beside the entries, with nothing selected: ignored.
        QTest::mouseDClick(form.File1->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 400));
        QVERIFY(!frmGif::IsLoaded());
        DoubleClickEntry(form, 0);
        QVERIFY(OverlayShown());
        QCOMPARE(ChosenFileName, QString("a.gif"));
        QCOMPARE(frmGif::Instance().size(), QSize(8, 8));
    }

    void awkwardNamesOpen_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("apostrophe") << "it's.gif";
        QTest::newRow("spaces") << "my best  cat.gif";
        QTest::newRow("cyrillic") << "Котик прыгает.gif";
        QTest::newRow("html characters") << "a&b<c>d\".gif";
    }
    void awkwardNamesOpen() {
        QFETCH(QString, name);
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file(name), 12, 12));
        QVERIFY(fixtures::WriteGif(folder.file("zzz.gif"), 12, 12));
        MessageRecorder messages;
        frmForma& form = frmForma::Instance();
        QVERIFY(SelectEntry(form, name));
        PressKey(form.File1, Qt::Key_Return);
        QVERIFY(messages.messages().isEmpty());
        QVERIFY(OverlayShown());
        QCOMPARE(ChosenFileName, name);
    }

    void picturesThatCannotBeOpenedAreReported_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("deleted after start")
            << "gone.gif" << QByteArray() << "Файл «gone.gif» не найден.";
        QTest::newRow("no picture")
            << "text.gif" << QByteArray("hello") << "Файл «text.gif» открыть не возможно.";
        QTest::newRow("zero bytes")
            << "empty.gif" << QByteArray("") << "Файл «empty.gif» открыть не возможно.";
        QTest::newRow("truncated") << "cut.gif" << QByteArray("GIF89a\x10\x00\x10\x00\x80", 11)
                                   << "Файл «cut.gif» открыть не возможно.";
        QTest::newRow("absurdly large") << "huge.gif" << fixtures::GifHeaderOnly(60000, 60000)
                                        << "Файл «huge.gif» открыть не возможно.";
        QTest::newRow("html in the name")
            << "<b>&amp;'.gif" << QByteArray("x") << "Файл «<b>&amp;'.gif» открыть не возможно.";
    }
    void picturesThatCannotBeOpenedAreReported() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("good.gif"), 100, 50));
        QVERIFY(fixtures::WriteBytes(folder.file(name), bytes.isNull() ? QByteArray("x") : bytes));
        MessageRecorder messages;
        frmForma& form = frmForma::Instance();
        if (bytes.isNull())
            QVERIFY(QFile::remove(folder.file(name)));

        // A good picture first, so that the failed one is seen to leave it in place.
        QVERIFY(SelectEntry(form, "good.gif"));
        PressKey(form.File1, Qt::Key_Return);
        QVERIFY(OverlayShown());
        delete &frmGif::Instance();
        form.Show();

        QVERIFY(SelectEntry(form, name));
        PressKey(form.File1, Qt::Key_Return);

        QCOMPARE(messages.messages().size(), 1);
        const fixtures::ShownMessage shown = messages.messages().first();
        QCOMPARE(shown.prompt, message);
        QCOMPARE(shown.title, QString("Lumivast"));
        QCOMPARE(shown.buttons, int(platform::vbOKOnly | platform::vbCritical));
        QVERIFY(form.Visible());
        QVERIFY(!frmGif::IsLoaded());
        QCOMPARE(ChosenFileName, name);
        QCOMPARE(form.Image1->Width(), 1500.0); // the previous picture stays
    }

    void failedAutomaticOpeningIsReportedOnceThenTheListAppears() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteBytes(folder.file("broken.gif"), "GIF89a"));
        // While the box is "open", the timer keeps ticking as under a real modal box.
        MessageRecorder messages([] { RunEventLoop(300); });
        frmForma& form = frmForma::Instance();
        QVERIFY(!form.Visible());
        QTRY_COMPARE_WITH_TIMEOUT(messages.messages().size(), 1, 3000);
        QCOMPARE(messages.messages().first().prompt,
                 QString("Файл «broken.gif» открыть не возможно."));
        QTRY_VERIFY(form.Visible());
        RunEventLoop(300);
        QCOMPARE(messages.messages().size(), 1);
        QVERIFY(!frmGif::IsLoaded());
    }

    void deletingTheOnlyPictureWhilePlayingIsReportedOnce() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("only.gif"), 20, 20));
        MessageRecorder messages([] { RunEventLoop(200); });
        frmForma& form = frmForma::Instance();
        QTRY_VERIFY_WITH_TIMEOUT(OverlayShown(), 3000);
        QVERIFY(QFile::remove(folder.file("only.gif")));
        QTRY_COMPARE_WITH_TIMEOUT(messages.messages().size(), 1, 3000);
        QCOMPARE(messages.messages().first().prompt, QString("Файл «only.gif» не найден."));
        RunEventLoop(300);
        QCOMPARE(messages.messages().size(), 1);
        // The overlay is still on screen, so the list stays hidden.
        QVERIFY(OverlayShown());
        QVERIFY(!form.Visible());
    }
};

QTEST_MAIN(TestChooser)
#include "tst_chooser.moc"
