#pragma once
// The tray backend as the window drives it: the balloons and hint of the icon's model, and the
// icon's picture and menu, which are Gui types and so live here beside the windows.

#include "shell/TrayIcon.h"

#include <functional>

class QIcon;
class QMenu;

class IDesktopTray : public ITrayBackend {
public:
    virtual void SetIcon(const QIcon& icon) = 0;
    virtual void SetMenu(QMenu* menu) = 0;
    // Whether notifications ask the desktop for a sound; the program's own balloons make none.
    virtual void SetSound(bool on) = 0;
    // Wired by the window: the line that stands for balloons folded away was clicked.
    std::function<void()> moreClicked;
};
