#include "platform/wayland/output_table.h"

namespace {
bool Holds(const OutputTable& table, int slot) {
    return slot >= 0 && slot < MaxOutputs && table.Slots[slot].Phase != OutputPhase::Free;
}
} // namespace

int AddOutput(OutputTable& table, uint32_t name) {
    int free = -1;
    for (int slot = MaxOutputs - 1; slot >= 0; --slot) {
        if (table.Slots[slot].Phase == OutputPhase::Free)
            free = slot;
        else if (table.Slots[slot].Name == name)
            return -1;
    }
    if (free >= 0) table.Slots[free] = {name, OutputPhase::Waiting, false};
    return free;
}

int RemoveOutput(OutputTable& table, uint32_t name) {
    for (int slot = 0; slot < MaxOutputs; ++slot)
        if (Holds(table, slot) && table.Slots[slot].Name == name) {
            table.Slots[slot] = {};
            return slot;
        }
    return -1;
}

void NoteOutputDescribed(OutputTable& table, int slot) {
    if (!Holds(table, slot)) return;
    table.Slots[slot].Described = true;
    if (table.Slots[slot].Phase == OutputPhase::Closed)
        table.Slots[slot].Phase = OutputPhase::Waiting;
}

void NoteSurfaceMade(OutputTable& table, int slot) {
    if (Holds(table, slot)) table.Slots[slot].Phase = OutputPhase::Covered;
}

void NoteSurfaceClosed(OutputTable& table, int slot) {
    if (Holds(table, slot) && table.Slots[slot].Phase == OutputPhase::Covered)
        table.Slots[slot].Phase = OutputPhase::Closed;
}

void NoteSurfacesWithdrawn(OutputTable& table) {
    table.Withdrawn = true;
    for (OutputSlot& slot : table.Slots)
        if (slot.Phase == OutputPhase::Covered) slot.Phase = OutputPhase::Waiting;
}

bool NeedsSurface(const OutputTable& table, int slot) {
    return !table.Withdrawn && Holds(table, slot) &&
           table.Slots[slot].Phase == OutputPhase::Waiting && table.Slots[slot].Described;
}

int CoveredOutputs(const OutputTable& table) {
    int covered = 0;
    for (const OutputSlot& slot : table.Slots)
        covered += slot.Phase == OutputPhase::Covered;
    return covered;
}
