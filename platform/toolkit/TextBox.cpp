#include "TextBox.h"

#include <QFile>

namespace platform {

TextBox::TextBox(QWidget* parent)
    : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

void TextBox::SetText(const QString& text) {
    text_ = text;
    setPlainText(text);
}

QString ResourceText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace platform
