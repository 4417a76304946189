#include "core/program.h"

namespace kelp {

Program::Program() {
    for (int i = 0; i <= SlotCount; ++i) Fs[static_cast<std::size_t>(i)].Index = i;
}

}  // namespace kelp
