// Fewer page faults: Mesa touches tens of MB of fresh memory for one
// frame, and on virtual machines every 4 KiB fault is dear.
#pragma once

// Makes the heap grow in one large step backed by transparent huge pages
// (where the system allows them on request).  Call first thing in main.
void preferHugePages();
