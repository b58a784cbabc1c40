#pragma once

namespace vell {

// Sets the C library's heap up for a program that runs once and ends: one
// heap for all threads, so what a network's run frees serves the next run
// on any thread; large blocks taken from that heap rather than mapped
// afresh, and freed memory kept rather than handed back. Every fresh page
// costs a fault that zeroes it, and the networks free and take tens of
// megabytes a run.
void keepHeapForOneRun();

}  // namespace vell
