#pragma once

// Starts the GUI: the application object, the main window and the message loop.
// argv may name one file to open. Returns the process exit status.
int RunGui(int argc, char** argv);
