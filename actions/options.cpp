#include "actions/options.h"

#include "actions/device_gates.h"
#include "actions/transfer.h"
#include "model/board_presets.h"
#include "model/latch.h"
#include "model/main_display.h"
#include "model/variants.h"

namespace actions {
namespace {

// The full write sequence after a refresh: the ending of most option dialogs.
Outcome refresh_and_send_all(EvalState& s, boardlink::Port& port, const char* action, Outcome out = {}) {
    out.display.refresh = true;
    Transfer(s, port, action).send_full_sequence();
    return out;
}

Outcome refresh_and_send_control(EvalState& s, boardlink::Port& port, const char* action) {
    Outcome out;
    out.display.refresh = true;
    Transfer(s, port, action).send(kControlLatch);
    return out;
}

}  // namespace

Outcome apply_current_setting(EvalState& s, boardlink::Port& port, CurrentSetting setting, int knob_position,
                              std::optional<double> rset_ohms) {
    // RSet first: a rejected entry leaves every field and the board alone.
    const RsetEntry rset = check_rset_entry(rset_ohms);
    if (!rset.ohms) return refused(rset.problem, "Text2", true, true);

    Outcome out;
    int32_t& field = setting == CurrentSetting::One ? s.cs1_bits : s.cs2_bits;
    if (auto bits = current_setting_bits(setting, knob_position)) field = *bits;
    if (variants::is_family_variant(s.device)) {
        s.cp_gain_bits = current_setting_gain_bits(setting);
        out.display.cp_gain = s.cp_gain_bits != 0;  // refresh_main leaves the gain switch
    }
    s.rset = *rset.ohms;
    return refresh_and_send_all(s, port, setting == CurrentSetting::One ? "CurrentSetting1" : "CurrentSetting2", out);
}

Outcome apply_powerdown(EvalState& s, boardlink::Port& port, std::optional<int> option) {
    if (auto refused = needs_variant(s, "The power-down setting")) return *refused;
    if (option)
        if (auto bits = powerdown_bits_for(*option)) s.powerdown_bits = *bits;
    return refresh_and_send_control(s, port, "PowerDown");
}

Outcome apply_muxout(EvalState& s, boardlink::Port& port, std::optional<int> option) {
    if (option)
        if (auto bits = muxout_bits_for(*option)) s.muxout_bits = *bits;
    return refresh_and_send_control(s, port, "Muxout");
}

Outcome apply_band_select(EvalState& s, boardlink::Port& port, int knob_position) {
    Outcome out;
    if (auto bits = band_select_bits_for(knob_position)) {
        out.display.band_select = band_select_ratio(*bits);
        s.bscd_bits = *bits;
    }
    return refresh_and_send_all(s, port, "BandSelect", out);
}

Outcome apply_abp_width(EvalState& s, boardlink::Port& port, std::optional<int> option) {
    Outcome out;
    if (option)
        if (auto bits = abp_width_bits_for(*option)) {
            out.display.abpw2 = abp_width_caption(*bits);
            s.abp_width_bits = *bits;
        }
    return refresh_and_send_all(s, port, "AntiBacklash", out);
}

Outcome apply_board_preset(EvalState& s, boardlink::Port& port, std::optional<int> preset) {
    Outcome out;
    if (preset && *preset >= 1 && *preset <= int(kBoardPresets.size())) {
        const BoardPreset& board = kBoardPresets[*preset - 1];
        ::apply_board_preset(s, board);
        out.display.eval = std::string(board.caption);
        out.display.cp_gain = s.cp_gain_bits != 0;  // every preset sets the gain
    }
    return refresh_and_send_all(s, port, "BoardPreset", out);
}

Outcome resend_latch(EvalState& s, boardlink::Port& port, uint8_t latch) {
    Transfer(s, port, "Resend").send(latch);
    return {};
}

Outcome resend_all(EvalState& s, boardlink::Port& port) {
    Transfer(s, port, "ResendAll").send_full_sequence();
    return {};
}

}  // namespace actions
