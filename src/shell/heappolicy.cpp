#include "shell/heappolicy.h"

#include <malloc.h>

void useHeapPolicyForLongRuns() {
    // Below a frame of the smallest panel worth the name, above anything the board allocates often.
    constexpr int largeBlock = 256 * 1024;
    mallopt(M_MMAP_THRESHOLD, largeBlock);
    // Decoding threads come and go with every clip; few arenas keep freed memory from scattering.
    mallopt(M_ARENA_MAX, 4);
}
