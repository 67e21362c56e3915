// Start-up guards against an unusual process environment, so that a
// message that cannot be written is lost instead of doing harm.
#pragma once

// Gives each closed standard descriptor (0, 1, 2) /dev/null, so the X
// connection cannot take its number and receive messages meant for the
// user; ignores SIGPIPE and SIGXFSZ, so a vanished reader of standard
// output or a file size limit fails a write (which is reported) instead of
// ending the viewer.  Must run before anything opens a descriptor.
void guardProcess();
