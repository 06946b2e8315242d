#include "app/window_registry.h"

#include "exercisers/locktime.h"
#include "exercisers/sweepform.h"
#include "ui/dialogs/bandselectform.h"
#include "ui/dialogs/conversionform.h"
#include "ui/dialogs/crystalform.h"
#include "ui/dialogs/current_form.h"
#include "ui/dialogs/fastlockform.h"
#include "ui/dialogs/muxform.h"
#include "ui/dialogs/powerform.h"
#include "ui/dialogs/prescaleform.h"
#include "ui/dialogs/presetform.h"
#include "ui/dialogs/resend_form.h"
#include "ui/dialogs/revform.h"
#include "ui/dialogs/synthform.h"
#include "ui/loop/loopform.h"
#include "ui/main/main_window.h"
#include "ui/main/print_form.h"
#include "ui/main/register_files_menu.h"
#include "ui/main/settings_menu.h"
#include "ui/main/sim_board_window.h"
#include "ui/registers/registers.h"
#include "ui/registers/vcotest.h"

namespace {

template <class Dialog, class... Args>
Main::WindowFactory dialog_of(Args... args) {
    return [args...](Main& m) -> std::unique_ptr<QDialog> { return std::make_unique<Dialog>(m, args...); };
}

}  // namespace

void install_windows(Main& main) {
    main.register_window(Window::Synth, dialog_of<synthform>());
    main.register_window(Window::Crystal, dialog_of<crystalform>());
    main.register_window(Window::Current1, dialog_of<CurrentForm>(CurrentSetting::One));
    main.register_window(Window::Current2, dialog_of<CurrentForm>(CurrentSetting::Two));
    main.register_window(Window::Powerdown, dialog_of<powerform>());
    main.register_window(Window::Mux, dialog_of<muxform>());
    main.register_window(Window::Prescaler, dialog_of<prescaleform>());
    main.register_window(Window::Preset, dialog_of<presetform>());
    main.register_window(Window::Fastlock, dialog_of<fastlockform>());
    main.register_window(Window::Bandselect, dialog_of<Bandselectform>());
    main.register_window(Window::Resend, dialog_of<Form1>());
    main.register_window(Window::Rev, dialog_of<revform>());
    main.register_window(Window::Conversion, dialog_of<conversionform>());
    main.register_window(Window::Registers, dialog_of<registers>());
    main.register_window(Window::VcoTest, dialog_of<vcotest>());
    main.register_window(Window::Locktime, dialog_of<locktime>());
    main.register_window(Window::Sweep, dialog_of<sweepform>());
    main.register_window(Window::LoopFilter, dialog_of<loopform>());
    main.register_window(Window::SimulatedBoard, [](Main& m) -> std::unique_ptr<QDialog> {
        auto* board = m.link().simulated_board();
        if (!board) return nullptr;
        return std::make_unique<SimBoardWindow>(*board);
    });
    main.on_print = [&main] { print_form(main, system_default_printer); };

    // One menu object for both entries: they share the folder the file dialogs start in.
    auto settings = std::make_shared<SettingsMenu>(main);
    main.on_get_settings = [settings] { settings->mnuOpen_Click(); };
    main.on_save_settings = [settings] { settings->mnuSave_Click(); };
    auto registers = std::make_shared<RegisterFilesMenu>(main);
    main.on_export_registers = [registers] { registers->mnuExportRegisters_Click(); };
    main.on_import_registers = [registers] { registers->mnuImportRegisters_Click(); };
    main.on_export_channels = [registers] { registers->mnuExportChannels_Click(); };
}
