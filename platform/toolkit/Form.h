#pragma once

#include "Units.h"

#include <QMargins>
#include <QWidget>

class QMenu;

namespace platform {

enum class StartUpPosition { Manual = 0, CenterOwner = 1, CenterScreen = 2, WindowsDefault = 3 };
enum FormShowStyle { vbModeless = 0, vbModal = 1 };
enum FormWindowState { vbNormal = 0, vbMinimized = 1, vbMaximized = 2 };
enum MousePointerConstants { vbDefault = 0, vbHourglass = 11 };

// A top-level window as its designer thought of it: sizes in twips, a scale unit for its
// controls, a load step, modal or modeless showing, and unloading that discards it.
// Derive through FormOf<T>, which keeps the program's single instance.
class Form : public QWidget {
    Q_OBJECT

public:
    // Modeless returns at once; modal returns once the window has been hidden or unloaded,
    // and the other windows take no input meanwhile.
    void Show(int style = vbModeless);
    void Hide();
    bool Visible() const { return isVisible(); }
    void SetVisible(bool visible);
    int WindowState() const;

    // Outer size, always in twips.
    double Width() const;
    double Height() const;
    void SetWidth(double twips);
    void SetHeight(double twips);
    // Inner size, in the window's own scale unit.
    double ScaleWidth() const;
    double ScaleHeight() const;

    WId hWnd();

    // The mouse pointer while this window is in use: vbHourglass shows the busy pointer
    // (over its controls too) until vbDefault.
    void SetMousePointer(int pointer);
    int MousePointer() const { return mousePointer_; }

    // Shows `menu` at the mouse pointer and returns once it has closed (the chosen item's
    // handler has run by then). Flag 2: items answer the right button as well.
    void PopupMenu(QMenu* menu, int flags = 0);

    // Runs Form_Unload (which may cancel), then hides and discards the window. The object
    // is destroyed once the current event has been handled, so a window may unload itself
    // from inside its own handlers; the next use creates a new instance.
    void Unload();

protected:
    Form(ScaleMode scale, StartUpPosition position);
    ~Form() override;

    virtual void Form_Load() {}
    virtual void Form_Unload(short& Cancel) { Q_UNUSED(Cancel) }
    // Every change of the window's size, the first one included.
    virtual void Form_Resize() {}

    // A fixed dialog frame: a title bar with a close box only; the window manager is told
    // that the frame cannot resize, minimise or maximise. As a dialog of the program the
    // window gets no task-bar button. Opened maximised, such a window covers the work area
    // of its screen by its own sizing too, where the window manager will not maximise a
    // window that cannot be resized.
    void SetFixedDialogFrame();

    // The part of the window below its menu bar, where the scale applies (the window
    // itself unless set).
    void SetClientArea(QWidget* client);

    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

signals:
    void Hidden();

private:
    template <class> friend class FormOf;
    void Load() { Form_Load(); }
    virtual void ForgetInstance() = 0;
    void PlaceOnFirstShow();
    // Fits the frame to workArea_ once the window manager's frame is known.
    void CoverWorkArea();

    StartUpPosition startUpPosition_;
    QWidget* client_ = this;
    bool placed_ = false;
    bool fixedDialogFrame_ = false;
    // For a fixed-frame window opened maximised: the area its frame covers, and the frame
    // margins it was last fitted with.
    QRect workArea_;
    QMargins fittedMargins_{-1, -1, -1, -1};
    bool unloading_ = false;
    int mousePointer_ = vbDefault;
};

// Keeps the one instance of window class T: created and loaded on first use, forgotten on
// Unload, created anew on the next use.
template <class T> class FormOf : public Form {
public:
    static T& Instance() {
        if (!instance_) {
            T* form = new T();
            instance_ = form;
            try {
                form->Load();
            } catch (...) {
                // A load that failed leaves no half-built window behind.
                form->ForgetInstance();
                form->hide();
                form->deleteLater();
                throw;
            }
        }
        return *static_cast<T*>(instance_);
    }
    static bool IsLoaded() { return instance_ != nullptr; }

protected:
    using Form::Form;
    ~FormOf() override { ForgetInstance(); }

private:
    void ForgetInstance() override {
        if (instance_ == this)
            instance_ = nullptr;
    }
    static inline Form* instance_ = nullptr;
};

// Brings the designed places and sizes of `container` (a window or the client area of one)
// and of the controls directly in it, drawn at 96 DPI, to the screen's DPI, as a design in
// twips is: the same twips, other pixels. A container of fixed size keeps a fixed size.
void ScaleDesignToScreen(QWidget* container);

// Places and sizes a control in the scale unit of its container.
void Move(QWidget* control, double left, double top, double width, double height);

} // namespace platform
