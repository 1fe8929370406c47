#include "writers/output_writer.h"

namespace varnelo {

// Defined here so the class's virtual table has one home.
OutputWriter::~OutputWriter() = default;

} // namespace varnelo
