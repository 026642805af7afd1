#include "FileListBox.h"

#include "VirtualKey.h"

#include <QCollator>
#include <QDir>
#include <QKeyEvent>
#include <algorithm>
#include <limits>

namespace platform {

FileListBox::FileListBox(QWidget* parent)
    : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileListBox::setPattern(const QString& pattern) {
    pattern_ = pattern;
    Refresh();
}

void FileListBox::Refresh() {
    QDir folder = QDir::current();
    path_ = folder.absolutePath();
    // Without QDir::Hidden and QDir::System, dot files, sockets, devices and broken links
    // stay out; name filters ignore case unless told otherwise.
    folder.setNameFilters(pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts));
    folder.setFilter(QDir::Files);
    QStringList names = folder.entryList();

    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::stable_sort(names.begin(), names.end(), [&collator](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    });
    // The count is a 16-bit number for the windows that read it.
    if (names.size() > std::numeric_limits<short>::max())
        names.resize(std::numeric_limits<short>::max());

    clear();
    addItems(names);
}

short FileListBox::ListCount() const {
    return static_cast<short>(count());
}

int FileListBox::ListIndex() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void FileListBox::SetListIndex(int index) {
    if (index < 0 || index >= count()) {
        clearSelection();
        return;
    }
    setCurrentRow(index);
}

QString FileListBox::List(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry ? entry->text() : QString();
}

void FileListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    emit DblClick();
}

namespace {

// The key itself, whatever the modifiers make of its text: both Enter keys differ here.
quint32 KeyIdentity(const QKeyEvent& event) {
    return event.nativeScanCode() ? event.nativeScanCode() : quint32(event.key());
}

} // namespace

void FileListBox::keyPressEvent(QKeyEvent* event) {
    keysDown_.insert(KeyIdentity(*event));
    QListWidget::keyPressEvent(event);
}

void FileListBox::keyReleaseEvent(QKeyEvent* event) {
    QListWidget::keyReleaseEvent(event);
    if (event->isAutoRepeat() || !keysDown_.remove(KeyIdentity(*event)))
        return;
    short keyCode = static_cast<short>(VirtualKeyCode(*event));
    emit KeyUp(keyCode, static_cast<short>(ShiftState(event->modifiers())));
}

void FileListBox::focusOutEvent(QFocusEvent* event) {
    // Whatever is released from now on is released somewhere else.
    keysDown_.clear();
    QListWidget::focusOutEvent(event);
}

} // namespace platform
