#include "engine/core_placement.h"

#include <cstddef>

#include <sched.h>

namespace varnelo {

int currentCore() {
    return ::sched_getcpu();
}

void leaveStartersCore(int startersCore) {
    if (startersCore < 0 || startersCore >= CPU_SETSIZE || ::sched_getcpu() != startersCore)
        return;
    const auto core = static_cast<std::size_t>(startersCore);
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0 || CPU_COUNT(&allowed) < 2 ||
        !CPU_ISSET(core, &allowed))
        return;
    cpu_set_t others = allowed;
    CPU_CLR(core, &others);
    // Narrowing the set moves the thread at once; widening it again leaves
    // it where it now is.
    if (::sched_setaffinity(0, sizeof others, &others) == 0)
        (void)::sched_setaffinity(0, sizeof allowed, &allowed);
}

} // namespace varnelo
