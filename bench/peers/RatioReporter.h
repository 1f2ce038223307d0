#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

// The console report, plus a closing table: for every piece each instrument's real-time factor
// (seconds of audio per second of CPU time, one thread) and its ratio to the reference
// instrument's, from the median of the repetitions where there are several.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter(std::vector<std::string> pieces, std::vector<std::string> instruments,
                  std::string reference);

    void ReportRuns(const std::vector<Run>& runs) override;
    void printTable(std::ostream& out) const;

private:
    std::vector<std::string> pieceNames;
    std::vector<std::string> instrumentNames;
    std::string referenceName;
    std::map<std::string, double> factors;  // "piece/instrument" → real-time factor
    std::map<std::string, double> voiceCounts;
};
