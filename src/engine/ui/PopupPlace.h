#pragma once
// Puts a small window's top-left corner at the mouse pointer, moved left
// and up as far as needed to stay on the screen's usable area (the task bar
// and panels left out).
class QWidget;

class TPopupPlace {
public:
    static void AtCursor(QWidget* window);
};
