#pragma once

#include <QObject>
#include <QString>

namespace platform::browser {

class HtmlDocument;
class WebBrowser;

// The event being handled by a document event handler.
class HtmlEvent : public QObject {
    Q_OBJECT

public:
    // Desktop virtual-key number of a key event; 0 takes the key's effect away.
    int keyCode = 0;
    // False cancels the event's default action.
    bool returnValue = true;
};

// The document's window: the way from a document to its current event, and back.
class HtmlWindow : public QObject {
    Q_OBJECT

public:
    explicit HtmlWindow(HtmlDocument* document);

    // The event under way, or null outside a document event.
    HtmlEvent* event() const { return event_; }
    HtmlDocument* Document() const;

private:
    friend class WebBrowser;
    HtmlEvent* event_ = nullptr;
};

// A view's document. The same object lives as long as its view: rewriting or navigating
// replaces its content, and handlers connected to its events stay connected.
class HtmlDocument : public QObject {
    Q_OBJECT

public:
    explicit HtmlDocument(WebBrowser* browser);

    HtmlWindow* Script() const { return window_; }
    HtmlWindow* parentWindow() const { return window_; }

    // Clear, Write, …, Close: the text written between them becomes the content at Close.
    void Clear();
    void Write(const QString& text);
    void Close();

signals:
    // Handlers read and may change parentWindow()->event()->keyCode and returnValue.
    void onkeydown();
    // Handlers answer through `result`; false cancels (no menu, no selection).
    void oncontextmenu(bool& result);
    void onselectstart(bool& result);

private:
    WebBrowser* browser_;
    HtmlWindow* window_;
    QString stream_;
    bool streamOpen_ = false;
};

} // namespace platform::browser
