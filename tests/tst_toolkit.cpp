// The window toolkit layer: single-instance windows, units, the error number, the file
// list, the picture holder, message boxes and fonts.
#include "support/Fixtures.h"

#include "platform/toolkit/Errors.h"
#include "platform/toolkit/FileListBox.h"
#include "platform/toolkit/Fonts.h"
#include "platform/toolkit/Form.h"
#include "platform/toolkit/ImageBox.h"
#include "platform/toolkit/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <unistd.h>

using namespace platform;
using fixtures::CurrentFolder;

namespace {

// A window that counts its loads and can be told to fail or refuse to unload.
class ProbeForm : public FormOf<ProbeForm> {
public:
    ProbeForm()
        : FormOf(ScaleMode::Twips, StartUpPosition::CenterScreen) {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        resize(100, 80);
    }
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

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestToolkit : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ProbeForm::loads = 0;
        ProbeForm::failLoad = false;
        ProbeForm::cancelUnload = 0;
        Err.Clear();
    }
    void cleanup() {
        if (ProbeForm::IsLoaded())
            delete &ProbeForm::Instance();
        FlushDeletes();
    }

    void formIsCreatedAndLoadedOnFirstUseOnly() {
        QVERIFY(!ProbeForm::IsLoaded());
        ProbeForm& first = ProbeForm::Instance();
        QCOMPARE(&ProbeForm::Instance(), &first);
        QCOMPARE(ProbeForm::loads, 1);
        QVERIFY(!first.Visible());
    }

    void unloadDiscardsAndNextUseLoadsAnew() {
        QPointer<ProbeForm> first = &ProbeForm::Instance();
        first->Show();
        first->Unload();
        QVERIFY(!ProbeForm::IsLoaded());
        QVERIFY(!first->isVisible());
        // Destroyed only after the current event, so a window may unload itself from its
        // own handlers.
        QVERIFY(first);
        FlushDeletes();
        QVERIFY(!first);
        ProbeForm::Instance();
        QCOMPARE(ProbeForm::loads, 2);
    }

    void unloadCancelledKeepsTheWindow() {
        ProbeForm::cancelUnload = 1;
        ProbeForm& form = ProbeForm::Instance();
        form.Show();
        form.close(); // as the window system's close request
        QVERIFY(ProbeForm::IsLoaded());
        QVERIFY(form.Visible());
    }

    void closeRequestUnloads() {
        ProbeForm::Instance().Show();
        ProbeForm::Instance().close();
        QVERIFY(!ProbeForm::IsLoaded());
    }

    void failedLoadLeavesNoInstanceAndReachesTheCaller() {
        ProbeForm::failLoad = true;
        QVERIFY(!ResumeNext([] { ProbeForm::Instance().Show(); }));
        QCOMPARE(Err.Number, int(errInvalidPropertyValue));
        QVERIFY(!ProbeForm::IsLoaded());
        FlushDeletes();
        ProbeForm::failLoad = false;
        ProbeForm::Instance();
        QCOMPARE(ProbeForm::loads, 2);
    }

    void modalShowBlocksOtherWindowsUntilHidden() {
        QWidget other;
        other.show();
        ProbeForm& form = ProbeForm::Instance();
        bool blockedMeanwhile = false;
        QTimer::singleShot(50, [&] {
            blockedMeanwhile = QApplication::activeModalWidget() == &form &&
                               QApplication::activeModalWidget() != &other;
            form.Hide();
        });
        form.Show(vbModal);
        QVERIFY(blockedMeanwhile);
        QVERIFY(!form.Visible());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void sizesInTwipsAtNinetySixDpi() {
        ProbeForm& form = ProbeForm::Instance();
        form.SetWidth(1470);
        form.SetHeight(1170);
        QCOMPARE(form.size(), QSize(98, 78));
        QCOMPARE(form.Width(), 1470.0);
        QCOMPARE(form.ScaleHeight(), 1170.0);
        // A size below one pixel still leaves a window of one pixel.
        form.SetWidth(-15);
        QCOMPARE(form.width(), 1);

        QWidget* child = new QWidget(&form);
        Move(child, -15, -15, 1500, 1200);
        QCOMPARE(child->geometry(), QRect(-1, -1, 100, 80));
    }

    void centredOnTheScreenWhenFirstShown() {
        ProbeForm& form = ProbeForm::Instance();
        form.Show();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(form.geometry().center(), screen.center());
    }

    void resumeNextRecordsTheNumberAndGoesOn() {
        QStringList ran;
        ResumeNext([&] {
            ran << "first";
            throw Error(errFileNotFound);
        });
        ResumeNext([&] { ran << "second"; });
        QCOMPARE(ran, QStringList({"first", "second"}));
        QCOMPARE(Err.Number, int(errFileNotFound));
        ResumeNext([] { throw std::bad_alloc(); });
        QCOMPARE(Err.Number, int(errOutOfMemory));
        Err.Clear();
        QCOMPARE(Err.Number, 0);
    }

    void fileListListsMatchingFilesSortedIgnoringCase() {
        CurrentFolder folder;
        for (const char* name : {"b.gif", "A.GIF", "c.Gif", ".hidden.gif", "notes.txt", "я.gif",
                                 "Ж.gif", "gif", "x.gif.txt"})
            QVERIFY(fixtures::WriteBytes(folder.file(QString::fromUtf8(name)), "x"));
        QVERIFY(QDir(folder.path()).mkdir("folder.gif"));
        QVERIFY(QFile::link(folder.file("gone.png"), folder.file("broken.gif")));

        FileListBox list;
        QCOMPARE(list.ListCount(), short(0)); // nothing is listed before a pattern is set
        list.setPattern("*.gif");
        QStringList names;
        for (int i = 0; i < list.ListCount(); ++i)
            names << list.List(i);
        QCOMPARE(names, QStringList({"A.GIF", "b.gif", "c.Gif", "Ж.gif", "я.gif"}));
        QCOMPARE(list.Path(), QDir(folder.path()).absolutePath());
        QCOMPARE(list.ListIndex(), -1);
        QCOMPARE(list.List(99), QString());

        // Read once: a file made later is not listed.
        QVERIFY(fixtures::WriteBytes(folder.file("d.gif"), "x"));
        QCOMPARE(list.ListCount(), short(5));
        list.SetListIndex(2);
        QCOMPARE(list.ListIndex(), 2);
        list.SetListIndex(-1);
        QCOMPARE(list.ListIndex(), -1);
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

    void imageBoxTakesThePicturesNaturalSizeInTwips() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("wide.gif"), 100, 50, 3));
        ProbeForm& form = ProbeForm::Instance();
        auto* image = new ImageBox(&form);
        image->resize(32, 32);
        QCOMPARE(image->Width(), 480.0);
        image->LoadPicture("wide.gif");
        QCOMPARE(image->Width(), 1500.0);
        QCOMPARE(image->Height(), 750.0);
        QCOMPARE(image->Picture().pixelColor(10, 10), QColor(255, 0, 0));
    }

    void imageBoxRefusesBadFilesAndKeepsItsPicture_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("error");

        QByteArray whole;
        {
            CurrentFolder scratch;
            QVERIFY(fixtures::WriteGif(scratch.file("a.gif"), 40, 30, 4,
                                       {QColor(1, 0, 0), QColor(0, 0, 0), QColor(9, 9, 9)}));
            QFile file(scratch.file("a.gif"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            whole = file.readAll();
        }
        QTest::newRow("missing") << "missing.gif" << QByteArray() << int(errFileNotFound);
        QTest::newRow("zero bytes") << "empty.gif" << QByteArray("") << int(errInvalidPicture);
        QTest::newRow("text") << "text.gif" << QByteArray("not a picture at all")
                              << int(errInvalidPicture);
        QTest::newRow("cut in the header")
            << "head.gif" << whole.left(10) << int(errInvalidPicture);
        QTest::newRow("cut in the first frame")
            << "first.gif" << whole.left(whole.indexOf(',') + 14) << int(errInvalidPicture);
        QTest::newRow("cut in the last frame")
            << "last.gif" << whole.left(whole.size() - 3) << int(errInvalidPicture);
        QTest::newRow("absurd size")
            << "huge.gif" << fixtures::GifHeaderOnly(65535, 65535) << int(errInvalidPicture);
        QTest::newRow("too much memory")
            << "big.gif" << fixtures::GifHeaderOnly(16000, 16000) << int(errInvalidPicture);
        QTest::newRow("only the trailer missing is fine")
            << "notrailer.gif" << whole.chopped(1) << 0;
    }

    void imageBoxRefusesBadFilesAndKeepsItsPicture() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("good.gif"), 20, 10));
        if (!bytes.isNull())
            QVERIFY(fixtures::WriteBytes(folder.file(name), bytes));

        ImageBox image;
        image.LoadPicture("good.gif");
        try {
            image.LoadPicture(name);
            QCOMPARE(0, error);
            QCOMPARE(image.Picture().size(), QSize(40, 30));
        } catch (const Error& e) {
            QCOMPARE(e.Number(), error);
            QCOMPARE(image.Picture().size(), QSize(20, 10));
            QCOMPARE(image.size(), QSize(20, 10));
        }
    }

    void imageBoxRefusesFoldersAndUnreadableFiles() {
        CurrentFolder folder;
        QVERIFY(QDir(folder.path()).mkdir("folder.gif"));
        ImageBox image;
        QVERIFY_THROWS_EXCEPTION(Error, image.LoadPicture("folder.gif"));
        if (geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        QVERIFY(fixtures::WriteGif(folder.file("locked.gif"), 20, 10));
        QVERIFY(QFile::setPermissions(folder.file("locked.gif"), QFileDevice::WriteOwner));
        try {
            image.LoadPicture("locked.gif");
            QFAIL("an unreadable file loaded");
        } catch (const Error& e) {
            QCOMPARE(e.Number(), int(errPermissionDenied));
        }
    }

    void imageBoxReusesAnUnchangedFileAndRereadsAChangedOne() {
        CurrentFolder folder;
        const QString path = folder.file("same.gif");
        QVERIFY(fixtures::WriteGif(path, 30, 20));
        ImageBox image;
        image.LoadPicture("same.gif");
        const QDateTime stamp = QFileInfo(path).lastModified();

        // Same length and time stamp: taken for the same file and not decoded again.
        QVERIFY(fixtures::WriteGif(path, 20, 30));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
        }
        image.LoadPicture("same.gif");
        QCOMPARE(image.Picture().size(), QSize(30, 20));

        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(stamp.addSecs(5), QFileDevice::FileModificationTime));
        }
        image.LoadPicture("same.gif");
        QCOMPARE(image.Picture().size(), QSize(20, 30));

        QVERIFY(QFile::remove(path));
        QVERIFY_THROWS_EXCEPTION(Error, image.LoadPicture("same.gif"));
    }

    void messageBoxIsModalWithStopIconOneButtonAndTitle() {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        qsizetype buttons = 0;
        bool modal = false;
        QTimer::singleShot(50, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->buttons().size();
            modal = box->windowModality() == Qt::ApplicationModal && !box->parent();
            box->button(QMessageBox::Ok)->click();
        });
        QCOMPARE(MsgBox("Файл «x.gif» не найден.", vbOKOnly | vbCritical, "Lumivast"), int(vbOK));
        QCOMPARE(title, QString("Lumivast"));
        QCOMPARE(text, QString("Файл «x.gif» не найден."));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttons, 1);
        QVERIFY(modal);
    }

    void designedFontsResolveToFacesWithCyrillic() {
        InstallFontSubstitutes();
        for (const char* family : {"MS Sans Serif", "Times New Roman"}) {
            QFont font(family, 12, QFont::Bold);
            const QFontInfo resolved(font);
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
