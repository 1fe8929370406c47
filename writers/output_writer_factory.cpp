#include "writers/output_writer_factory.h"

#include "engine/output_formats.h"
#include "writers/html_writer.h"
#include "writers/image_output.h"
#include "writers/rtf_writer.h"
#include "writers/terminal_writer.h"

namespace varnelo {

std::unique_ptr<OutputWriter> makeOutputWriter(const ConversionSettings& settings,
                                               WriterContext& context) {
    switch (outputFormatOf(settings).writer) {
    case WriterKind::Html:
        break;
    case WriterKind::Rtf:
        return std::make_unique<RtfWriter>(context.lines, context.observer);
    case WriterKind::Image:
        return std::make_unique<ImageOutput>(context);
    case WriterKind::Terminal:
        return std::make_unique<TerminalWriter>(context.lines);
    }
    return std::make_unique<HtmlWriter>(context.lines);
}

} // namespace varnelo
