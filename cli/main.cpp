#include "cli/converter.h"
#include "platform/memory_reuse.h"

int main(int argc, char* argv[]) {
    varnelo::keepFreedMemoryForReuse();
    return varnelo::runConverter(argc, argv);
}
