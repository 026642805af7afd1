#pragma once

#include <QListWidget>
#include <QSet>

namespace platform {

// A list of the files of one folder that match a pattern. It lists the folder that is
// current when the pattern is set (setupUi does that once, as the window is created) and
// is never refreshed by itself. Hidden files are left out; the pattern matches regardless
// of case; names are sorted as the user's locale sorts them, ignoring case.
class FileListBox : public QListWidget {
    Q_OBJECT
    Q_PROPERTY(QString Pattern READ Pattern WRITE setPattern)

public:
    explicit FileListBox(QWidget* parent = nullptr);

    QString Pattern() const { return pattern_; }
    void setPattern(const QString& pattern);
    void Refresh();

    // The absolute folder listed.
    QString Path() const { return path_; }
    short ListCount() const;
    int ListIndex() const;
    void SetListIndex(int index);
    QString List(int index) const;

signals:
    void DblClick();
    // Key code as a desktop virtual-key number; handlers may change it. Raised only for a
    // key that was also pressed in the list: the release of a key pressed in another
    // window (Enter closing a dialog or a message box) reaches the list once it has the
    // focus again, and must not act on it.
    void KeyUp(short& KeyCode, short Shift);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString pattern_ = QStringLiteral("*.*");
    QString path_;
    // Native codes of the keys pressed while the list had the focus and not yet released.
    QSet<quint32> keysDown_;
};

} // namespace platform
