#include "ui/widgets/tool_colours.h"

#include <QWidget>
#include <cmath>
#include <iterator>
#include <utility>

#include "model/main_display.h"

namespace tool_colours {

namespace {

// How much of a classic light colour shows through on a dark plate: enough to keep its hue
// recognisable, little enough to stay a dark background under light text.
constexpr double kDarkTint = 0.3;
// The classic register map lays its bands over the sheet this thinly; a dark sheet needs more.
constexpr double kLightBand = 28 / 255.0, kLightFixedBand = 40 / 255.0, kDarkBand = 0.25;

// Neighbouring fields of the register map differ; each hue reads on the classic light sheet.
const QColor kFieldHues[] = {
    QColor(0, 70, 170), QColor(160, 0, 0), QColor(0, 115, 40), QColor(125, 0, 140), QColor(0, 110, 125),
    QColor(150, 80, 0),
};
const QColor kFixedHue(128, 128, 128);

QColor mix(const QColor& from, const QColor& to, double t) {
    auto channel = [t](int a, int b) { return int(std::lround(a + (b - a) * t)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()));
}

// The colour seen where `top` is laid over an opaque `bottom`.
QColor over(const QColor& top, const QColor& bottom) { return mix(bottom, top, top.alphaF()); }

double luminance(const QColor& c) {
    auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

// A classic light colour as it lies on this plate.
QColor on_plate(const QColor& classic, const QPalette& plate) {
    return is_dark(plate) ? mix(plate.color(QPalette::Window), classic, kDarkTint) : classic;
}

Pair band(const QColor& hue, double light_strength, const QPalette& plate) {
    const QColor background = mix(sheet(plate).background, hue, is_dark(plate) ? kDarkBand : light_strength);
    return {background, readable_on(background, hue)};
}

}  // namespace

double contrast(const QColor& text, const QColor& background) {
    const double a = luminance(over(text, background)), b = luminance(background);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor readable_on(const QColor& background, const QColor& preferred) {
    if (contrast(preferred, background) >= kMinimumContrast) return preferred;
    const QColor seen = over(preferred, background);
    const QColor extreme = contrast(Qt::white, background) > contrast(Qt::black, background) ? Qt::white : Qt::black;
    constexpr int kSteps = 64;
    for (int step = 1; step < kSteps; ++step) {
        const QColor moved = mix(seen, extreme, double(step) / kSteps);
        if (contrast(moved, background) >= kMinimumContrast) return moved;
    }
    return extreme;  // black or white reaches 4.58:1 on any background
}

bool is_dark(const QPalette& palette) {
    return luminance(palette.color(QPalette::Window)) < luminance(palette.color(QPalette::WindowText));
}

QPalette plate(const QPalette& desktop) {
    QPalette p = desktop;
    if (!is_dark(desktop)) {
        p.setColor(QPalette::Window, QColor(192, 192, 192));
        p.setColor(QPalette::Button, QColor(212, 208, 200));
    }
    // The desktop's texts kept where they read on the plate (the greys above are the tool's own,
    // and some desktops leave a placeholder too faint for the word it shows). Only a text that
    // had to change is set, so the others go on following the desktop.
    const std::pair<QPalette::ColorRole, QPalette::ColorRole> texts_on[] = {
        {QPalette::WindowText, QPalette::Window},
        {QPalette::ButtonText, QPalette::Button},
        {QPalette::Text, QPalette::Base},
        {QPalette::PlaceholderText, QPalette::Base},
    };
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        for (auto [text, background] : texts_on)
            if (const QColor readable = readable_on(p.color(group, background), p.color(group, text));
                readable != p.color(group, text))
                p.setColor(group, text, readable);
    return p;
}

Pair value_field(const QPalette& plate) {
    const QColor background = is_dark(plate) ? plate.color(QPalette::Base) : QColor(Qt::white);
    return {background, readable_on(background, plate.color(QPalette::Text))};
}

Pair power_level(int level, const QPalette& plate) {
    const QColor background = on_plate(QColor::fromRgb(power_level_colour(level)), plate);
    return {background, readable_on(background, plate.color(QPalette::WindowText))};
}

Pair sheet(const QPalette& plate) {
    const QColor background = is_dark(plate) ? plate.color(QPalette::Base) : QColor(246, 246, 242);
    return {background, readable_on(background, plate.color(QPalette::WindowText))};
}

Pair field_band(int index, const QPalette& plate) {
    return band(kFieldHues[size_t(index) % std::size(kFieldHues)], kLightBand, plate);
}

Pair fixed_band(const QPalette& plate) { return band(kFixedHue, kLightFixedBand, plate); }

QColor quiet_text(const QColor& background, const QPalette& plate) {
    const QColor preferred =
        is_dark(plate) ? mix(plate.color(QPalette::WindowText), background, 0.35) : QColor(90, 90, 90);
    return readable_on(background, preferred);
}

QColor alert_text(const QColor& background) { return readable_on(background, QColor(170, 0, 0)); }

Pair led() { return {QColor(18, 12, 12), QColor(255, 45, 30)}; }

void fill(QWidget* widget, const Pair& pair) {
    QPalette p = widget->palette();
    p.setColor(widget->backgroundRole(), pair.background);
    p.setColor(widget->foregroundRole(), pair.text);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

void mark_alert(QWidget* widget, bool alert) {
    if (!alert) return widget->setPalette(QPalette());  // back to the colours it inherits
    QPalette p = widget->palette();
    p.setColor(widget->foregroundRole(), alert_text(p.color(widget->backgroundRole())));
    widget->setPalette(p);
}

}  // namespace tool_colours
