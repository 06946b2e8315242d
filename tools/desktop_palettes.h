#pragma once
// Stand-ins for the desktops the tool meets besides a light one, for looking at the windows
// (window_shots) and checking them (the contrast test) without such a desktop at hand.
#include <QPalette>
#include <optional>
#include <string_view>

namespace desktop_palettes {

// A dark desktop in the common manner: light grey text on dark slate, a darker field colour.
inline QPalette dark() {
    const QColor window(49, 54, 59), text(239, 240, 241), faded(110, 113, 116);
    QPalette p(window, window);  // button, window
    p.setColor(QPalette::Base, QColor(35, 38, 41));
    p.setColor(QPalette::AlternateBase, window);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(role, text);
        p.setColor(QPalette::Disabled, role, faded);
    }
    p.setColor(QPalette::PlaceholderText, QColor(161, 169, 177));
    p.setColor(QPalette::Highlight, QColor(61, 174, 233));
    p.setColor(QPalette::HighlightedText, text);
    return p;
}

// A high-contrast desktop: white on black, nothing in between.
inline QPalette high_contrast() {
    QPalette p(Qt::black, Qt::black);  // button, window; the texts come out white
    p.setColor(QPalette::PlaceholderText, Qt::white);
    p.setColor(QPalette::Highlight, Qt::white);
    p.setColor(QPalette::HighlightedText, Qt::black);
    return p;
}

// "dark" or "contrast"; nothing for another name.
inline std::optional<QPalette> by_name(std::string_view name) {
    if (name == "dark") return dark();
    if (name == "contrast") return high_contrast();
    return std::nullopt;
}

}  // namespace desktop_palettes
