#include "core/program.h"

namespace kelp {

Program::Program() {
    for (int i = 0; i <= SlotCount; ++i) Fs[static_cast<std::size_t>(i)].Index = i;
    for (int i = 1; i <= SlotCount; ++i) Fs[static_cast<std::size_t>(i)].NameLabel = VacantLabel(i);
}

int Program::OpenCount() const {
    int n = 0;
    for (int i = 1; i <= SlotCount; ++i) n += Slot(i).IsOpen ? 1 : 0;
    return n;
}

int Program::LowestOpenSlot() const {
    for (int i = 1; i <= SlotCount; ++i)
        if (Slot(i).IsOpen) return i;
    return 0;
}

} // namespace kelp
