#include "usrReklamaX.h"

#include <QPalette>

usrReklamaX::usrReklamaX(QWidget* parent)
    : QWidget(parent) {
    QPalette page = palette();
    page.setColor(QPalette::Window, Qt::white);
    setPalette(page);
    setAutoFillBackground(true);
}

void usrReklamaX::LoadHtml(const QString& Html) {
    html_ = Html;
}
