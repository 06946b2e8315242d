#pragma once
// The main window's standing notice while the device is none of the nine variants. A board
// preset stores a family name ("ksy7100" .. "ksy7104"); with it every latch write is a bare
// latch-enable pulse that re-latches what the chip already holds, while the window shows the
// preset's plan. The notice keeps the user from believing the board was programmed.
#include <optional>
#include <string>
#include <string_view>

// The notice's text, or nothing for one of the nine variants; a long device name is shortened.
std::optional<std::string> latch_data_notice(std::string_view device);
