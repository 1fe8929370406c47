#include "engine/start_check.h"

#include <gtest/gtest.h>

namespace varnelo {
namespace {

TEST(StartCheck, AnswersTheFirstMissingPieceInOrder) {
    ConversionSettings settings;
    settings.transformation = PixelTransformation::CustomText;
    EXPECT_EQ(checkConversionStart(settings, false), StartProblem::NoPicture);
    EXPECT_EQ(checkConversionStart(settings, true), StartProblem::NoOutputFile);
    settings.outputPath = "out.html";
    EXPECT_EQ(checkConversionStart(settings, true), StartProblem::NoPhrase);
    settings.customPhrase = "a";
    EXPECT_EQ(checkConversionStart(settings, true), StartProblem::None);
}

TEST(StartCheck, OnlyCustomTextNeedsAPhrase) {
    ConversionSettings settings;
    settings.outputPath = "out.html";
    for (const PixelTransformation mode :
         {PixelTransformation::RandomBinary, PixelTransformation::TerminalBlocks,
          PixelTransformation::CustomRange}) {
        settings.transformation = mode;
        EXPECT_EQ(checkConversionStart(settings, true), StartProblem::None);
    }
}

} // namespace
} // namespace varnelo
