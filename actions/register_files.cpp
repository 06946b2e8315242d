#include "actions/register_files.h"

#include <variant>

#include "actions/device_gates.h"
#include "actions/transfer.h"
#include "model/channel_table.h"
#include "model/main_display.h"
#include "model/register_export.h"
#include "model/register_import.h"

namespace actions {
namespace {

Outcome refused_with_title(const char* title, std::string message) {
    Outcome out = refused(std::move(message), {}, false, true);
    out.refusal->title = title;
    return out;
}

const char* const kExportTitle = "Export Registers";
const char* const kImportTitle = "Import Registers";
const char* const kChannelsTitle = "Export Channel Table";

Outcome written(const FileStore& files, const std::string& name, const std::string& shown, const std::string& text,
                const char* title) {
    const std::string cause = files.write(name, text);
    if (cause.empty()) return {};
    return refused_with_title(title, "The file " + shown + " could not be written: " + cause);
}

}  // namespace

Outcome export_registers(const EvalState& s, const FileStore& files, const std::string& name, const std::string& shown,
                         std::string_view version) {
    const auto format = export_format_of(name);
    if (!format)
        return refused_with_title(kExportTitle, shown + ": the name must end in .txt (a hex list), .h (a C header), "
                                                        ".csv (one row per field) or .json.");
    return written(files, name, shown, export_text(s, *format, version), kExportTitle);
}

Outcome import_registers(EvalState& s, boardlink::Port& port, const FileStore& files, const std::string& name,
                         const std::string& shown) {
    if (auto refused = needs_variant(s, "The register import")) return *refused;
    const FileText file = files.read(name, 64 * 1024);
    if (!file.text) return refused_with_title(kImportTitle, "The registers could not be read from " + shown + ": " + file.cause);
    auto parsed = parse_register_file(*file.text);
    if (auto* problem = std::get_if<ImportProblem>(&parsed)) return refused_with_title(kImportTitle, describe(*problem, shown));
    auto state = state_from_registers(s, std::get<ImportedRegisters>(parsed));
    if (auto* problem = std::get_if<ImportProblem>(&state)) return refused_with_title(kImportTitle, describe(*problem, shown));
    s = std::get<EvalState>(state);
    Outcome out;
    out.display.refresh = true;
    out.display.cp_gain = s.cp_gain_bits != 0;
    out.display.lock_detect_precision = s.ldp_bits != 0;
    out.display.abpw2 = abp_width_caption(s.abp_width_bits);
    out.display.band_select = band_select_ratio(s.bscd_bits);
    Transfer(s, port, "ImportRegisters").send_full_sequence();
    return out;
}

Outcome export_channels(const EvalState& s, const FileStore& files, const std::string& name, const std::string& shown,
                        double start_mhz, double stop_mhz, double step_khz, std::string_view version) {
    const auto format = export_format_of(name);
    if (format != ExportFormat::C && format != ExportFormat::Csv)
        return refused_with_title(kChannelsTitle, shown + ": the name must end in .h (a C header) or .csv.");
    auto table = channel_table(s, start_mhz, stop_mhz, step_khz);
    if (auto* problem = std::get_if<std::string>(&table))
        return refused_with_title(kChannelsTitle, "No channel table was written: " + *problem + ".");
    return written(files, name, shown, channel_table_text(s, std::get<ChannelTable>(table), *format, version),
                   kChannelsTitle);
}

}  // namespace actions
