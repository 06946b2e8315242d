#pragma once
// What an action tells its caller (a window, a script, the command server): whether it was
// refused and why, and what the main window must show besides what refresh_main derives from
// the state. The action has already stored and sent everything; the caller only shows.
#include <optional>
#include <string>

#include "model/main_display.h"

namespace actions {

// A refused action changed nothing and sent nothing.
struct Refusal {
    std::string message;       // the text for the user, exactly as the window shows it
    std::string entry;         // objectName of the entry at fault ("Text1"); empty: no entry
    bool clear_entry = false;  // the entry's text is unusable: it is emptied for retyping
    bool beep = false;
    std::string detail;        // the cause, shown below the message (a link's failure)
    std::string title;         // the message box's title; empty: the tool's own
    // Refused by what the device or another setting allows, whatever the value given (a script is
    // told -221, settings conflict); otherwise the value itself was refused.
    bool conflict = false;
    bool operator==(const Refusal&) const = default;
};

// The main-window controls an action sets directly, in the order the window applies them:
// captions first, then configure_main and refresh_main when asked, then the switches.
struct Display {
    std::optional<std::string> device;        // `device` caption
    std::optional<std::string> eval;          // `eval` caption (board name)
    std::optional<std::string> abpw2;         // anti-backlash caption
    std::optional<std::string> band_select;   // `Label12`
    std::optional<LevelText> output_power;    // `Label7`
    std::optional<LevelText> core_power;      // `Label9`
    bool configure = false;                   // configure_main
    bool refresh = false;                     // refresh_main
    std::optional<bool> cp_gain;              // `Toggle3`
    std::optional<bool> output_divide;        // `Toggle6`
    std::optional<bool> lock_detect_precision;  // `Toggle10`
    bool operator==(const Display&) const = default;
};

struct Outcome {
    std::optional<Refusal> refusal;
    Display display;
    bool ok() const { return !refusal; }
};

inline Refusal refusal(std::string message, std::string entry = {}, bool clear_entry = false, bool beep = false) {
    Refusal r;
    r.message = std::move(message);
    r.entry = std::move(entry);
    r.clear_entry = clear_entry;
    r.beep = beep;
    return r;
}

// A refusal by what the device allows now: nothing stored, nothing sent.
inline Outcome conflict(std::string message) {
    Outcome out;
    out.refusal = refusal(std::move(message), {}, false, true);
    out.refusal->conflict = true;
    return out;
}

// A refusal as an outcome.
inline Outcome refused(std::string message, std::string entry = {}, bool clear_entry = false, bool beep = false) {
    return {refusal(std::move(message), std::move(entry), clear_entry, beep), {}};
}

}  // namespace actions
