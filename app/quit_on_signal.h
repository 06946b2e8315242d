#pragma once
// SIGINT, SIGTERM and SIGHUP end the program through the event loop, like closing the main
// window, so every file being written (a trace) is completed.
void quit_on_signals();
