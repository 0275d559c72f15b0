#pragma once

// How movara-convert meets signals. Ctrl-C, kill, a closed terminal and Ctrl-\ stop a run the
// same way (the engine drops what it had written) and the process ends with 128 + the signal.
// The handler only records the signal and writes a byte into a pipe that the event loop (or
// the estimate's watcher) reads.

namespace SignalStop {

// Opens /dev/null on any of descriptors 0 to 2 that is closed, so that nothing of ours (the
// signal pipe above all) can land there, then installs the handlers. A closed stdout (a reader
// that went away) does not end the conversions: SIGPIPE is ignored.
void install();
// The last signal received, 0 when none.
int signalled();
// The read end of the signal pipe (non-blocking).
int readFd();
// Empties the pipe.
void drain();

} // namespace SignalStop
