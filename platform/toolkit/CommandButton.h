#pragma once

#include <QPushButton>

namespace platform {

// A command button drawn in the graphical style: its face is its background colour (the
// palette's Button role) inside the classic raised bevel. Being the default button shows as
// a black frame around the bevel, and the focus as a dotted rectangle inside it; neither
// tints the face.
class CommandButton : public QPushButton {
    Q_OBJECT

public:
    explicit CommandButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace platform
