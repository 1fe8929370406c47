#pragma once

namespace varnelo {

/// Keeps freed memory in the process for the next allocations. A document
/// is written in pieces of a megabyte that are built, freed and built
/// again; by default glibc gives that memory back to the system after each
/// piece and takes the page faults again for the next. Call first in main.
void keepFreedMemoryForReuse();

} // namespace varnelo
