#include "link/adapter_pins.h"

#include <cctype>

namespace boardlink {
namespace {

// A piece of the user's text in a message: short, without control characters.
std::string shown(const std::string& text) {
    constexpr size_t kShown = 16;
    std::string s = text.substr(0, kShown);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text.size() > kShown ? s + "..." : s;
}

std::string upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

int line_index(const std::string& name) {
    const std::string u = upper(name);
    for (int i = 0; i < kBoardLines; ++i)
        if (u == kBoardLineNames[size_t(i)]) return i;
    return -1;
}

// GPIO line offsets are small; five digits keep the conversion far from overflow.
constexpr int kMaxGpioLine = 65535;

int parse_pin(AdapterKind kind, const std::string& text) {
    const std::string u = upper(text);
    if (kind == AdapterKind::UsbBitbang) {
        if (u.size() == 2 && u[0] == 'D' && u[1] >= '0' && u[1] <= '7') return u[1] - '0';
        return PinMap::kNone;
    }
    if (u.empty() || u.size() > 5) return PinMap::kNone;
    int value = 0;
    for (char c : u) {
        if (c < '0' || c > '9') return PinMap::kNone;
        value = value * 10 + (c - '0');
    }
    return value <= kMaxGpioLine ? value : PinMap::kNone;
}

std::string pin_name(AdapterKind kind, int pin) {
    return (kind == AdapterKind::UsbBitbang ? "D" : "line ") + std::to_string(pin);
}

}  // namespace

PinMap default_usb_pins() {
    PinMap map;
    for (int i = 0; i <= int(BoardLine::Status); ++i) map.pin[size_t(i)] = i;
    return map;
}

std::string apply_pins(AdapterKind kind, const std::string& text, PinMap& map) {
    if (text.empty()) return "no pins given: use NAME=PIN,NAME=PIN,...";
    PinMap result = map;
    bool named[kBoardLines] = {};
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string entry = text.substr(start, end - start);
        start = end + 1;
        const size_t eq = entry.find('=');
        if (entry.empty()) return "an empty entry: use NAME=PIN,NAME=PIN,...";
        if (eq == std::string::npos) return "'" + shown(entry) + "' is not NAME=PIN";
        const std::string name = entry.substr(0, eq), value = entry.substr(eq + 1);
        const int line = line_index(name);
        if (line < 0) return "unknown line '" + shown(name) + "': use CLK, DATA, LE, RBCLK, D4, STATUS or LD";
        if (named[line]) return std::string(kBoardLineNames[size_t(line)]) + " is given twice";
        named[line] = true;
        const int pin = parse_pin(kind, value);
        if (pin == PinMap::kNone)
            return kind == AdapterKind::UsbBitbang
                       ? "'" + shown(value) + "' is no pin of the USB adapter: use D0 .. D7"
                       : "'" + shown(value) + "' is no GPIO line number: use the line's offset on its chip (0, 1, ...)";
        result.pin[size_t(line)] = pin;
    }
    for (int a = 0; a < kBoardLines; ++a)
        for (int b = a + 1; b < kBoardLines; ++b)
            if (result.pin[size_t(a)] != PinMap::kNone && result.pin[size_t(a)] == result.pin[size_t(b)])
                return std::string(kBoardLineNames[size_t(a)]) + " and " + kBoardLineNames[size_t(b)] + " are both on " +
                       pin_name(kind, result.pin[size_t(a)]) + "; each line needs its own pin";
    if (kind == AdapterKind::Gpio) {
        std::string missing;
        for (BoardLine line : {BoardLine::Clk, BoardLine::Data, BoardLine::Le})
            if (result[line] == PinMap::kNone)
                missing += (missing.empty() ? "" : ", ") + std::string(kBoardLineNames[size_t(line)]);
        if (!missing.empty()) return "a GPIO link needs CLK, DATA and LE wired (missing: " + missing + ")";
        // The readback clocks the converter with RBCLK, holds D4 low while it talks and hears it
        // on STATUS: with only some of them wired it would read nonsense rather than nothing.
        std::string wired, unwired;
        for (BoardLine line : {BoardLine::RbClk, BoardLine::D4, BoardLine::Status}) {
            std::string& list = result[line] == PinMap::kNone ? unwired : wired;
            list += (list.empty() ? "" : ", ") + std::string(kBoardLineNames[size_t(line)]);
        }
        if (!wired.empty() && !unwired.empty())
            return "RBCLK, D4 and STATUS carry the supply readback together: wire all three or none (missing: " +
                   unwired + ")";
    }
    map = result;
    return {};
}

std::string pins_text(AdapterKind kind, const PinMap& map) {
    std::string text;
    for (int i = 0; i < kBoardLines; ++i) {
        const int pin = map.pin[size_t(i)];
        if (pin == PinMap::kNone) continue;
        text += (text.empty() ? "" : ",") + std::string(kBoardLineNames[size_t(i)]) + "=" +
                (kind == AdapterKind::UsbBitbang ? "D" : "") + std::to_string(pin);
    }
    return text;
}

}  // namespace boardlink
