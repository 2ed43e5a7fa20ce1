#pragma once
// The tray icon's picture: the program's icon with a dot that tells how the watched list
// stands, drawn at run time (green: someone is online; grey: nobody is; a warning mark: every
// check of the last round failed).

#include "monitor/TraySummary.h"

#include <QIcon>
#include <QImage>
#include <QPoint>

// The picture at one of the tray's sizes (16, 32, 48 pixels).
QImage TrayImage(TTrayState state, int size);
// Where the dot's middle lies in a picture of `size` pixels.
QPoint TrayDotCentre(int size);
// Every size; the window makes it only when the state changes.
QIcon TrayPictureOf(TTrayState state);
