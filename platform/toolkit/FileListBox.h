#pragma once

#include <QListWidget>

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
    // Key code as a desktop virtual-key number; handlers may change it.
    void KeyUp(short& KeyCode, short Shift);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QString pattern_ = QStringLiteral("*.*");
    QString path_;
};

} // namespace platform
