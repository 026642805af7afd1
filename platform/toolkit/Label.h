#pragma once

#include <QLabel>

namespace platform {

// A label that reports a click of the left button released over it, and carries a Tag: a
// text of the designer's for the program's own use.
class Label : public QLabel {
    Q_OBJECT

public:
    explicit Label(QWidget* parent = nullptr);

    QString Tag() const { return tag_; }
    void SetTag(const QString& tag) { tag_ = tag; }

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString tag_;
    bool pressed_ = false;
};

} // namespace platform
