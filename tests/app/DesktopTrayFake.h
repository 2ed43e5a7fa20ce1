#pragma once
// The window's tray in tests: the model's recorder, with the picture and the menu it was given.

#include "app/platform/DesktopTray.h"
#include "tests/shell/ShellFakes.h"

#include <QIcon>

class TRecordingDesktopTray : public TRecordingTrayOf<IDesktopTray> {
public:
    void SetIcon(const QIcon& icon) override { this->icon = icon; }
    void SetMenu(QMenu* menu) override { this->menu = menu; }
    void SetSound(bool on) override { sound = on; }

    QIcon icon;
    QMenu* menu = nullptr;
    bool sound = false;
};
