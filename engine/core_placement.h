#pragma once

namespace varnelo {

/// The core the calling thread runs on, or -1 where the system does not say.
int currentCore();

/// Moves the calling thread, just started, off the core of the thread that
/// started it, when it is there and others are allowed, and leaves it free
/// to go anywhere allowed after. A new thread starts on its starter's core,
/// and the scheduler may take many milliseconds to give it an idle one
/// while the two share a core.
void leaveStartersCore(int startersCore);

} // namespace varnelo
