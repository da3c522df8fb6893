#pragma once
// Tool windows that come back where the user left them.
class QWidget;

// Gives the shown `window` the size and place it had when it was last hidden (kept
// under `key` in the settings) and keeps them there each time it is hidden or closed.
// Call after show(): a window that lays its controls out when first shown then lays
// them out again for the restored size.
void RememberGeometry(QWidget* window, const char* key);
