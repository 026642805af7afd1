#pragma once

#include "htmlview/HtmlView.h"
#include "platform/browser/WebBrowser.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

namespace fixtures {

// A point of the page, in the browser's own view port, that lies at `p` in the view.
inline QPoint At(HtmlView* view, QPoint p) {
    return view->WebBrowser1->viewport()->mapFrom(view, p);
}

// Moves the mouse to `p` of the view, as the window system reports it.
inline void Hover(HtmlView* view, QPoint p) {
    QWidget* page = view->WebBrowser1->viewport();
    const QPoint local = At(view, p);
    QMouseEvent move(QEvent::MouseMove, local, page->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(page, &move);
}

// Moves there and clicks the left button.
inline void Click(HtmlView* view, QPoint p) {
    Hover(view, p);
    QTest::mouseClick(view->WebBrowser1->viewport(), Qt::LeftButton, {}, At(view, p));
}

} // namespace fixtures
