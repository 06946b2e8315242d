#pragma once
class Main;

// Connects every window that exists to the main window's entries, and the file menu's actions.
void install_windows(Main& main);
