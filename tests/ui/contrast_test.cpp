// Every window under a light, a dark and a high-contrast desktop: each text it shows, hidden ones
// included, stands out from what lies behind it by 4.5:1 at least (the WCAG 2 minimum). The
// colours are read from the widgets: a text is in its palette's colour for it, on the nearest
// widget (itself first) that fills its background; the style fills fields and button faces.
#include <gtest/gtest.h>

#include <QtWidgets>

#include "tests/support/window_scene.h"
#include "tools/desktop_palettes.h"
#include "ui/widgets/numeric_led.h"
#include "ui/widgets/selector_knob.h"
#include "ui/widgets/tool_colours.h"

using testing_support::kMain;
using testing_support::Scene;
using tool_colours::contrast;

namespace {

const std::pair<const char*, QPalette (*)()> kDesktops[] = {  // Light: what the tool gets by default
    {"Light", [] { return QApplication::style()->standardPalette(); }}, {"Dark", desktop_palettes::dark},
    {"HighContrast", desktop_palettes::high_contrast}};

struct Text { QString shown; QColor colour, background; };

// What a text lies on where the style fills nothing behind it.
QColor behind(const QWidget* w) {
    while (!w->isWindow() && !w->autoFillBackground()) w = w->parentWidget();
    return w->palette().color(QPalette::Active, w->backgroundRole());
}

// The texts a widget shows, each with the colours it is drawn in and on.
std::vector<Text> texts_of(const QWidget* w) {
    auto colour = [&](QPalette::ColorRole role) { return w->palette().color(QPalette::Active, role); };
    const QColor field = colour(QPalette::Base), face = colour(QPalette::Button);
    if (auto* e = qobject_cast<const QLineEdit*>(w))
        return {e->text().isEmpty() ? Text{e->placeholderText(), colour(QPalette::PlaceholderText), field}
                                    : Text{e->text(), colour(QPalette::Text), field}};
    if (auto* c = qobject_cast<const QComboBox*>(w))  // an editable one holds a line edit
        return {{c->isEditable() ? QString() : c->currentText(), colour(QPalette::ButtonText), face}};
    if (qobject_cast<const QPushButton*>(w) || qobject_cast<const QToolButton*>(w))
        return {{static_cast<const QAbstractButton*>(w)->text(), colour(QPalette::ButtonText), face}};
    if (auto* k = qobject_cast<const SelectorKnob*>(w)) {
        std::vector<Text> labels;
        for (int i = 0; i < k->positions(); ++i) labels.push_back({k->label(i), k->labelColour(i), behind(w)});
        return labels;
    }
    QString shown;
    if (auto* l = qobject_cast<const QLabel*>(w)) shown = l->text();
    else if (auto* b = qobject_cast<const QAbstractButton*>(w)) shown = b->text();
    else if (auto* g = qobject_cast<const QGroupBox*>(w)) shown = g->title();
    else if (auto* led = qobject_cast<const NumericLed*>(w)) shown = led->text();
    return {{shown, colour(w->foregroundRole()), behind(w)}};
}

void expect_every_text_readable(QWidget* window) {
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (const QWidget* w : widgets) {
        if (!w->isEnabled()) continue;  // a control that is off need not stand out
        for (const Text& t : texts_of(w)) {
            if (t.shown.trimmed().isEmpty()) continue;
            EXPECT_GE(contrast(t.colour, t.background), tool_colours::kMinimumContrast)
                << w->metaObject()->className() << ' ' << w->objectName().toStdString() << " \"" << t.shown.toStdString()
                << "\": " << t.colour.name(QColor::HexArgb).toStdString() << " on " << t.background.name().toStdString();
        }
    }
}

// The desktop's palette for one test, the one before restored after it.
struct DesktopPalette {
    explicit DesktopPalette(const QPalette& palette) { QApplication::setPalette(palette); }
    ~DesktopPalette() { QApplication::setPalette(before); }
    QPalette before = QApplication::palette();
};

class Contrast : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(Contrast, EveryTextStandsOutFromWhatLiesBehindItOnEveryDesktop) {
    for (const auto& [desktop, palette_of] : kDesktops) {
        SCOPED_TRACE(desktop);
        DesktopPalette palette(palette_of());
        Scene s(GetParam());
        if (!s.window) GTEST_SKIP() << "not built yet";
        // The main window shows each power level in a colour of its own.
        for (uint16_t level = 0; level < (GetParam() == kMain ? 4 : 1); ++level) {
            SCOPED_TRACE("power level " + std::to_string(level));
            s.h.state.output_power = s.h.state.core_power = level;
            s.h.main->refresh_main();
            expect_every_text_readable(s.window);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, Contrast, ::testing::Range(kMain, testing_support::kLastWindow + 1),
                         [](const auto& info) { return testing_support::subject_name(info.param); });

// The ratio itself, against published values: the extremes, the grey that just misses 4.5:1,
// pure blue and red on white, and a half-transparent black laid over white.
TEST(ContrastRatio, IsTheWcagRatioOfRelativeLuminances) {
    const std::tuple<QColor, QColor, double> cases[] = {
        {Qt::black, Qt::white, 21.0}, {Qt::white, Qt::white, 1.0}, {QColor(0x77, 0x77, 0x77), Qt::white, 4.48},
        {QColor(0x76, 0x76, 0x76), Qt::white, 4.54}, {Qt::blue, Qt::white, 8.59}, {Qt::red, Qt::white, 4.00},
        {QColor(0, 0, 0, 128), Qt::white, 4.00}};
    for (const auto& [text, background, ratio] : cases) {
        EXPECT_NEAR(contrast(text, background), ratio, 0.01) << text.name(QColor::HexArgb).toStdString();
        if (text.alpha() == 255) { EXPECT_NEAR(contrast(background, text), ratio, 0.01); }
    }
}
