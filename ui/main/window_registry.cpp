#include "ui/main/window_registry.h"

#include "ui/main/main_window.h"
#include "ui/main/sim_board_window.h"

void install_windows(Main& main) {
    main.register_window(Window::SimulatedBoard, [](Main& m) -> std::unique_ptr<QDialog> {
        auto* board = m.link().simulated_board();
        if (!board) return nullptr;
        return std::make_unique<SimBoardWindow>(*board);
    });
}
