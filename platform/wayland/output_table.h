// Which outputs the program knows and what covers each, kept apart from the protocol so
// that plugging, unplugging and a compositor closing surfaces can be tried without one.
// Slots are fixed: the front end keeps its protocol objects in a table of the same size.
#pragma once
#include <cstdint>

// Far beyond any real desk (one machine drives a few dozen outputs at most): the table
// stays fixed in size and small, a few dozen kilobytes.
inline constexpr int MaxOutputs = 64;

enum class OutputPhase : uint8_t {
    Free,    // no output
    Waiting, // announced; no surface yet
    Covered, // a surface is made for it
    Closed,  // the compositor closed its surface; wait until the output describes itself
             // again (it was switched back on, or its mode changed)
};

struct OutputSlot {
    uint32_t Name; // the compositor's global name, unique while it is announced
    OutputPhase Phase;
    bool Described; // its size and scale have come (the output's first "done")
};

struct OutputTable {
    OutputSlot Slots[MaxOutputs];
    bool Withdrawn; // no surface wanted anywhere: the resident between its shows
};

// The slot given to a newly announced output; -1 when the table is full or the name is
// known already.
int AddOutput(OutputTable& table, uint32_t name);
// The slot a withdrawn output had, now free (the front end drops what it made for it);
// -1 for a name not known.
int RemoveOutput(OutputTable& table, uint32_t name);

// The output has told all it has to say; a closed surface's output is back.
void NoteOutputDescribed(OutputTable& table, int slot);
void NoteSurfaceMade(OutputTable& table, int slot);
void NoteSurfaceClosed(OutputTable& table, int slot);
// Every surface taken down (the resident's show ended): none is wanted until Withdrawn is
// cleared, then every output that still describes itself is covered again.
void NoteSurfacesWithdrawn(OutputTable& table);

// Whether a surface is to be made for the slot now.
bool NeedsSurface(const OutputTable& table, int slot);
// How many outputs have a surface.
int CoveredOutputs(const OutputTable& table);
