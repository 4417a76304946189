#include "app/window_state.h"

#include "core/program.h"

namespace kelp {

WindowState& WindowStateOf(Program& program) {
    return program.State<WindowState>();
}

} // namespace kelp
