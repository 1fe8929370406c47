#include "cli/converter.h"

int main(int argc, char* argv[]) {
    return varnelo::runConverter(argc, argv);
}
