#pragma once

// How the heap treats the large blocks a board allocates again and again (video frames, fitted
// pictures): each is mapped on its own and given back to the system when freed. The C library
// would otherwise raise its mapping threshold after the first such block is freed, keep later ones
// in the per-thread arenas of the decoding threads and hold on to that memory for good.
void useHeapPolicyForLongRuns();
