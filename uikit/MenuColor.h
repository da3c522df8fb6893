#pragma once
// The system menu colour (COLOR_MENU): the palette's button colour, the background of
// the dialogs' drawn areas.
#include <QRgb>

QRgb MenuColor();
