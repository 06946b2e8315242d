#include "ui/loop/loop_memory.h"

#include <QSettings>
#include <QVariant>

#include "ui/main/main_window.h"

namespace {

// Kept per variant: its VCO gain, noise and the parts on its board differ from the others'.
QString group_of(const std::string& device) { return "loop/" + QString::fromStdString(device); }

QString profile_text(const NoiseProfile& points) { return QString::fromStdString(noise_points_text(points)); }

}  // namespace

void remember_loop(const std::string& device, const LoopSettings& l, const LoopQuestions& q) {
    QSettings store;
    store.beginGroup(group_of(device));
    store.setValue("order", l.order);
    store.setValue("c1", l.parts.c1), store.setValue("c2", l.parts.c2), store.setValue("c3", l.parts.c3);
    store.setValue("r2", l.parts.r2), store.setValue("r3", l.parts.r3);
    store.setValue("kvco", l.kvco_mhz_per_v);
    store.setValue("series", QString::fromUtf8(series_name(l.snap).data(), int(series_name(l.snap).size())));
    store.setValue("gamma", l.gamma), store.setValue("t31", l.t31);
    store.setValue("fc", l.fc_hz), store.setValue("pm", l.phase_margin_deg);
    store.setValue("fom", l.fom_dbc_hz), store.setValue("flicker", l.flicker_dbc_hz);
    store.setValue("vco_points", profile_text(l.vco_points));
    store.setValue("ref_points", profile_text(l.reference_points));
    store.setValue("step_from", q.from_mhz), store.setValue("step_to", q.to_mhz);
    store.setValue("tolerance", q.tolerance_hz);
    store.setValue("jitter_from", q.jitter_from_hz), store.setValue("jitter_to", q.jitter_to_hz);
}

void recall_loop_once(Main& main, EvalState& state) {
    if (main.property("loopRecalled").toBool()) return;
    main.setProperty("loopRecalled", true);
    QSettings store;
    store.beginGroup(group_of(state.device));
    if (!store.contains("order")) return;
    // Each value only when it reads whole: a damaged store leaves the start-up value.
    LoopSettings l = state.loop;
    auto number = [&](const char* key, double& into) {
        bool ok = false;
        const double v = store.value(key).toDouble(&ok);
        if (ok) into = v;
    };
    number("c1", l.parts.c1), number("c2", l.parts.c2), number("c3", l.parts.c3);
    number("r2", l.parts.r2), number("r3", l.parts.r3);
    number("kvco", l.kvco_mhz_per_v), number("gamma", l.gamma), number("t31", l.t31);
    number("fc", l.fc_hz), number("pm", l.phase_margin_deg), number("fom", l.fom_dbc_hz), number("flicker", l.flicker_dbc_hz);
    l.order = store.value("order").toInt() == 3 ? 3 : 2;
    if (auto s = series_named(store.value("series").toString().toStdString())) l.snap = *s;
    for (auto [key, into] : {std::pair("vco_points", &l.vco_points), std::pair("ref_points", &l.reference_points)})
        if (auto p = parse_noise_points(store.value(key).toString().toStdString()); p && profile_problem(*p).empty())
            *into = sorted_profile(*p);
    if (parts_problem(l.parts).empty() && l.parts.order() == l.order && l.kvco_mhz_per_v > 0) state.loop = l;
}

LoopQuestions recalled_questions(const EvalState& state) {
    LoopQuestions q;
    q.to_mhz = state.vco_freq;
    q.from_mhz = state.vco_freq - 10;
    QSettings store;
    store.beginGroup(group_of(state.device));
    auto number = [&](const char* key, double& into) {
        bool ok = false;
        const double v = store.value(key).toDouble(&ok);
        if (ok) into = v;
    };
    number("step_from", q.from_mhz), number("step_to", q.to_mhz), number("tolerance", q.tolerance_hz);
    number("jitter_from", q.jitter_from_hz), number("jitter_to", q.jitter_to_hz);
    return q;
}
