#pragma once
// The tray backend as the window drives it: the balloons and hint of the icon's model, and the
// icon's picture and menu, which are Gui types and so live here beside the windows.

#include "shell/TrayIcon.h"

class QIcon;
class QMenu;

class IDesktopTray : public ITrayBackend {
public:
    virtual void SetIcon(const QIcon& icon) = 0;
    virtual void SetMenu(QMenu* menu) = 0;
};
