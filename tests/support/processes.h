#pragma once

namespace varnelo::test {

/// The processes whose parent this one is, running or not yet waited for.
int childProcesses();

/// The threads this process runs.
int threadsOfThisProcess();

} // namespace varnelo::test
