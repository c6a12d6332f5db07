// Counts the allocations of the test program (operator new) while CountingAllocations is set.
#pragma once

extern bool CountingAllocations;
extern int Allocations;
