#pragma once
// The application object of a command that draws or prints without a window.
#include <memory>

class QApplication;

// Without an application object yet, makes one on the off-screen platform (unless
// QT_QPA_PLATFORM names another) and returns it; the caller keeps it for as long as
// it draws. With one already there (a test's), returns none.
std::unique_ptr<QApplication> OffscreenApplication();

// From now on the toolkit's own debug, information and warning lines are not written:
// a command without a window writes only its own messages on standard error (the
// toolkit warns, for one, of an unset XDG_RUNTIME_DIR as it starts).
void QuietToolkitMessages();
