#include "RatioReporter.h"

#include <cstdio>

RatioReporter::RatioReporter(std::vector<std::string> pieces, std::vector<std::string> instruments,
                             std::string reference)
    : pieceNames(std::move(pieces)),
      instrumentNames(std::move(instruments)),
      referenceName(std::move(reference)) {}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        if (run.error_occurred || !(median || single)) {
            continue;
        }
        const std::string& key = run.run_name.function_name;
        if (auto rtf = run.counters.find("rtf"); rtf != run.counters.end()) {
            factors[key] = rtf->second.value;
        }
        if (auto voices = run.counters.find("voices"); voices != run.counters.end()) {
            voiceCounts[key] = voices->second.value;
        }
    }
}

void RatioReporter::printTable(std::ostream& out) const {
    char cell[64];
    out << "\nReal-time factor (audio seconds per CPU second), ratio to " << referenceName
        << " in brackets, mean sounding voices after the slash:\n";
    std::snprintf(cell, sizeof cell, "%-10s", "piece");
    out << cell;
    for (const std::string& instrument : instrumentNames) {
        std::snprintf(cell, sizeof cell, "%26s", instrument.c_str());
        out << cell;
    }
    out << '\n';
    for (const std::string& piece : pieceNames) {
        std::snprintf(cell, sizeof cell, "%-10s", piece.c_str());
        out << cell;
        const auto reference = factors.find(piece + "/" + referenceName);
        for (const std::string& instrument : instrumentNames) {
            const std::string key = piece + "/" + instrument;
            const auto found = factors.find(key);
            if (found == factors.end()) {
                std::snprintf(cell, sizeof cell, "%26s", "-");
                out << cell;
                continue;
            }
            char text[48];
            int used = std::snprintf(text, sizeof text, "%.1f", found->second);
            if (reference != factors.end() && reference->second > 0.0) {
                used += std::snprintf(text + used, sizeof text - static_cast<size_t>(used),
                                      " (%.2f)", found->second / reference->second);
            }
            if (auto voices = voiceCounts.find(key); voices != voiceCounts.end()) {
                std::snprintf(text + used, sizeof text - static_cast<size_t>(used), " /%.1f",
                              voices->second);
            }
            std::snprintf(cell, sizeof cell, "%26s", text);
            out << cell;
        }
        out << '\n';
    }
}
