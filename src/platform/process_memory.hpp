#pragma once

namespace torvane {

// Asks the C library to give every large block back to the system when it
// is freed. A folder's listing, its new entries and a job's plan are arrays
// of megabytes that live for one listing or one job; by default the C
// library starts keeping such blocks in its heap once one has been freed,
// where they stay as resident memory long after. Called once, first thing,
// by each program.
void ReturnLargeBlocksWhenFreed();

}  // namespace torvane
