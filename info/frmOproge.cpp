#include "frmOproge.h"

#include "app/Addresses.h"
#include "platform/toolkit/OpURL.h"

#include <QBitmap>
#include <QShortcut>

using namespace platform;

frmOproge::frmOproge()
    : FormOf(ScaleMode::Pixels, StartUpPosition::CenterScreen) {
    setupUi(this);
    SetFixedDialogFrame();
    setFixedSize(size());
    ScaleDesignToScreen(this);
    Label2 = {{0, Label2_0}, {3, Label2_3}, {4, Label2_4},
              {5, Label2_5}, {6, Label2_6}, {7, Label2_7}};

    // Light grey behind everything, the button included; the picture box is white.
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(192, 192, 192));
    grey.setColor(QPalette::Button, QColor(192, 192, 192));
    setPalette(grey);
    setAutoFillBackground(true);
    QPalette white = Picture1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Picture1->setPalette(white);
    // The etched rule: two lines one pixel thick on adjacent rows at any DPI, the menu-text
    // colour above, the window-background colour below.
    Line1->resize(Line1->width(), 1);
    Line2->setGeometry(Line1->x(), Line1->y() + 1, Line1->width(), 1);
    for (auto [line, role] : {std::pair{Line1, QPalette::WindowText}, {Line2, QPalette::Base}}) {
        QPalette colour = line->palette();
        colour.setColor(QPalette::Window, QPalette().color(role));
        line->setPalette(colour);
        line->setAutoFillBackground(true);
    }

    QFont link = Label1->font();
    link.setUnderline(true);
    Label1->setFont(link);
    QPalette blue = Label1->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 192));
    Label1->setPalette(blue);
    Label1->setCursor(QCursor(QPixmap(QStringLiteral(":/layouts/hand-pointer.png")), 0, 0));
    Label1->SetTag(lumivast::AuthorSiteAddress);
    // The labels size themselves to their text, on one line.
    Label1->adjustSize();
    for (QLabel* label : std::as_const(Label2))
        label->adjustSize();

    // OK is the default button: Enter answers it wherever the focus is.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
        connect(new QShortcut(key, this), &QShortcut::activated, OK, &QPushButton::click);
    OK->setFocus();

    connect(Label1, &Label::Click, this, &frmOproge::Label1_Click);
    connect(OK, &QPushButton::clicked, this, &frmOproge::OK_Click);
}

void frmOproge::Form_Load() {
    Picture1->FilledBox(QPoint(0, 15), QPoint(79, 30), QColor(0, 0, 255));
    Picture1->FilledBox(QPoint(0, 31), QPoint(79, 45), QColor(255, 0, 0));
    platform::Move(Picture1, 8, 160, 80, 45);
}

void frmOproge::Label1_Click() {
    SetMousePointer(vbHourglass);
    OpURL::OpenURL(Label1->Tag());
    SetMousePointer(vbDefault);
}

void frmOproge::OK_Click() {
    Unload();
}
