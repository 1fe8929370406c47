#include "engine/output_formats.h"
#include "engine/random_generator.h"
#include "tests/support/recording_observer.h"
#include "writers/atomic_file.h"
#include "writers/html_writer.h"
#include "writers/image_output.h"
#include "writers/output_writer_factory.h"
#include "writers/rtf_writer.h"
#include "writers/terminal_writer.h"

#include <gtest/gtest.h>

namespace varnelo {
namespace {

TEST(OutputWriterFactory, EachFormatGetsTheWriterItsEntryNames) {
    DocumentLines lines;
    test::RecordingObserver observer;
    RandomGenerator random(1);
    const std::atomic<bool> cancel{false};
    const OutputOpener openOutput = openAtomicOutput;
    WriterContext context{lines, observer, random, cancel, openOutput};
    for (const OutputFormatEntry& entry : outputFormats()) {
        ConversionSettings settings;
        settings.outputFormat = entry.outputFormat;
        settings.imageFormat = entry.imageFormat;
        const std::unique_ptr<OutputWriter> writer = makeOutputWriter(settings, context);
        ASSERT_NE(writer, nullptr) << entry.name;
        // The conversion saves lines exactly for the formats that are documents.
        EXPECT_EQ(writer->producesDocumentLines(), entry.kind != OutputKind::Image) << entry.name;
        switch (entry.writer) {
        case WriterKind::Html:
            EXPECT_NE(dynamic_cast<HtmlWriter*>(writer.get()), nullptr) << entry.name;
            break;
        case WriterKind::Rtf:
            EXPECT_NE(dynamic_cast<RtfWriter*>(writer.get()), nullptr) << entry.name;
            break;
        case WriterKind::Image:
            EXPECT_NE(dynamic_cast<ImageOutput*>(writer.get()), nullptr) << entry.name;
            break;
        case WriterKind::Terminal:
            EXPECT_NE(dynamic_cast<TerminalWriter*>(writer.get()), nullptr) << entry.name;
            EXPECT_EQ(writer->lineEnd(), "\n");
            break;
        }
    }
}

} // namespace
} // namespace varnelo
