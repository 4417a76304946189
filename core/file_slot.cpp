#include "core/file_slot.h"

namespace kelp {

std::string VacantLabel(int slot) {
    return "(File " + std::to_string(slot) + " - vacant)";
}

void ResetSlot(FileSlot& slot) {
    const int index = slot.Index;
    slot = FileSlot{};
    slot.Index = index;
    slot.NameLabel = VacantLabel(index);
}

int SlotSettingsLayout(int loggerNumber) {
    if ((loggerNumber >= 2 && loggerNumber <= 103) || (loggerNumber >= 105 && loggerNumber <= 124)) return 0;
    return 1;
}

} // namespace kelp
