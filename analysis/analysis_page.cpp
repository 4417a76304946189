#include "analysis/analysis_page.h"

#include "core/program.h"

namespace kelp {

AnalysisPage& AnalysisPageOf(Program& program) {
    return program.State<AnalysisPage>();
}

} // namespace kelp
