// One machine-readable line per benchmark figure, beside the programs' own
// human-readable output. scripts/bench.sh collects these lines into one table:
//
//   BENCH <name>\t<value>\t<unit>\t<baseline>\t<ratio>
//
// The baseline is measured in the same run and in the same unit as the value
// (what the figure is set against: a bare pass over the same bytes, the same
// work without the panel, the panel at rest); ratio is value / baseline, "-"
// when the baseline is not positive. Names are "<program>.<figure>", without
// blanks.
#pragma once

#include <cstdio>
#include <string>

namespace vuv::bench {

inline void figure(const char* name, double value, const char* unit, double baseline) {
    if (baseline > 0) {
        std::printf("BENCH %s\t%.3f\t%s\t%.3f\t%.3f\n", name, value, unit, baseline, value / baseline);
    } else {
        std::printf("BENCH %s\t%.3f\t%s\t%.3f\t-\n", name, value, unit, baseline);
    }
    std::fflush(stdout);
}

inline void figure(const std::string& name, double value, const char* unit, double baseline) {
    figure(name.c_str(), value, unit, baseline);
}

}  // namespace vuv::bench
