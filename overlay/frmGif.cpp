#include "frmGif.h"

#include "app/frmForma.h"

#include <QPalette>

using namespace platform;

frmGif::frmGif()
    : FormOf(ScaleMode::Twips, StartUpPosition::CenterScreen) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::Tool);
    setWindowTitle(QStringLiteral("Form1"));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    // The designed client size, replaced by the load step before the window is shown.
    resize(354, 456);
}

void frmGif::Form_Load() {
    // The window is two pixels narrower and lower than the picture: the view inside it
    // starts one pixel to the left of and above the window's corner.
    const float pictureWidth = static_cast<float>(frmForma::Instance().Image1->Width());
    SetWidth(pictureWidth - 30.0f);
    const float pictureHeight = static_cast<float>(frmForma::Instance().Image1->Height());
    SetHeight(pictureHeight - 30.0f);
}
