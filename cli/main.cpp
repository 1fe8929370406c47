#include "cli/converter.h"

#include <malloc.h>

int main(int argc, char* argv[]) {
    // A document is written in pieces of a megabyte that are built, freed
    // and built again; by default glibc would give that memory back to the
    // system after each piece and take the page faults again for the next.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    return varnelo::runConverter(argc, argv);
}
