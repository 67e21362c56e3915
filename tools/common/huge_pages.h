// Fewer page faults: the renderer's Mesa touches tens of MB of fresh memory
// for one frame, quarvel-gen as much for its grid, and on virtual machines
// every 4 KiB fault is dear.
#pragma once

// Makes the heap grow in one large step backed by transparent huge pages
// (where the system allows them on request), unless QUARVEL_HUGE_PAGES is
// 0.  Sets up the whole process's allocator: call first thing in main.
void preferHugePages();
