#pragma once
// The wiring of the windows: each window the main window opens, registered with its entries, and
// the File menu's settings and printing. It lives with the start-up, which knows every window,
// so no window folder reaches up to another.
class Main;

// Connects every window that exists to the main window's entries, and the file menu's actions.
void install_windows(Main& main);
