#pragma once

#include <QPlainTextEdit>

namespace platform {

// A text box whose Text is kept exactly as it was set (line breaks included), whatever the
// editor makes of it on screen.
class TextBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TextBox(QWidget* parent = nullptr);

    QString Text() const { return text_; }
    void SetText(const QString& text);

private:
    QString text_;
};

// The text of a built-in resource, read as UTF-8; empty when it does not exist.
QString ResourceText(const QString& path);

} // namespace platform
