#include "display/command_state.h"

#include "core/program.h"

namespace kelp {

DisplayCommands& DisplayCommandsOf(Program& program) {
    return program.State<DisplayCommands>();
}

} // namespace kelp
