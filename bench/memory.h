// Memory figures of the running process, from /proc/self/status.
#pragma once

// Resident set size now, and its peak so far (VmRSS, VmHWM), in KiB;
// -1 when not available.
long residentKiB();
long peakResidentKiB();
