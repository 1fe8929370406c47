#include "reading/codecs/jxl_decoder.h"

#include "base/picture_limits.h"
#include "base/work_bitmap.h"
#include "reading/codecs/own_process_decoding.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "reading/picture_rows.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/thread_parallel_runner_cxx.h>

namespace varnelo {

namespace {

// The compressed bytes handed to libjxl at a time: a few milliseconds of
// decoding, between which a cancel is seen.
constexpr std::size_t kPieceBytes = std::size_t{64} << 10;

// What libjxl holds besides the picture it renders into: the frame's
// channels and its stages, some 4 bytes a pixel (measured: 40 to 47 MB for
// 4000 × 3000, lossy and lossless).
constexpr std::int64_t kHeldPerPixel = 4;

struct Job {
    WorkBitmap* picture = nullptr;
    bool grey = false;
};

// libjxl's parallel work, run on libjxl's own thread pool, that ends at a
// cancel: every piece of work left undone, each stage ends at once, and the
// decoding, told so by its next event, stops. Between the groups of a stage
// a cancel is seen within a few milliseconds, whatever the file's bytes
// hold. A stage that failed instead would have libjxl print its error.
struct CancellableRunner {
    void* threads = nullptr;
    DecodeCancel cancel = nullptr;
};

struct RunnerCall {
    JxlParallelRunInit init;
    JxlParallelRunFunction function;
    void* work;
    DecodeCancel cancel;
};

JxlParallelRetCode initCall(void* call, std::size_t threads) {
    const RunnerCall& run = *static_cast<RunnerCall*>(call);
    return run.init(run.work, threads);
}

void callUnlessCancelled(void* call, std::uint32_t value, std::size_t thread) {
    const RunnerCall& run = *static_cast<RunnerCall*>(call);
    if (!cancelled(run.cancel))
        run.function(run.work, value, thread);
}

JxlParallelRetCode runCancellably(void* runner, void* work, JxlParallelRunInit init,
                                  JxlParallelRunFunction function, std::uint32_t start,
                                  std::uint32_t end) {
    const CancellableRunner& cancellable = *static_cast<CancellableRunner*>(runner);
    RunnerCall call{init, function, work, cancellable.cancel};
    if (cancellable.threads != nullptr)
        return JxlThreadParallelRunner(cancellable.threads, &call, initCall, callUnlessCancelled,
                                       start, end);
    if (const JxlParallelRetCode started = initCall(&call, 1); started != 0)
        return started;
    for (std::uint32_t value = start; value < end; ++value)
        callUnlessCancelled(&call, value, 0);
    return 0;
}

// libjxl writes R, G, B; the picture holds B, G, R.
DecodeStatus swapRedAndBlue(WorkBitmap& picture, DecodeCancel cancel) {
    for (int y = 0; y < picture.height(); ++y) {
        if (y % 256 == 0 && cancelled(cancel))
            return DecodeStatus::Cancelled;
        std::uint8_t* pixel = picture.row(y);
        for (int x = 0; x < picture.width(); ++x, pixel += 3)
            std::swap(pixel[0], pixel[2]);
    }
    return DecodeStatus::Ok;
}

// Hands the file over a piece at a time until libjxl reports something
// other than wanting more. The input stays open: libjxl then says it wants
// more of a cut file rather than failing it as broken.
JxlDecoderStatus nextEvent(JxlDecoder* decoder, FileBytes file, std::size_t& given,
                           DecodeCancel cancel, bool& wasCancelled) {
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
        if (status != JXL_DEC_NEED_MORE_INPUT || given >= file.size())
            return status;
        if (cancelled(cancel)) {
            wasCancelled = true;
            return JXL_DEC_ERROR;
        }
        const std::size_t unread = JxlDecoderReleaseInput(decoder);
        const std::size_t from = given - unread;
        given = std::min(file.size(), given + kPieceBytes);
        JxlDecoderSetInput(decoder, file.data() + from, given - from);
    }
}

DecodeStatus startRows(JxlDecoder* decoder, PictureRows& rows, Job& job) {
    JxlBasicInfo info;
    if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS)
        return DecodeStatus::Corrupt;
    const auto width = static_cast<int>(std::min<std::uint32_t>(info.xsize, 1U << 30));
    const auto height = static_cast<int>(std::min<std::uint32_t>(info.ysize, 1U << 30));
    if (width < 1 || height < 1)
        return DecodeStatus::Corrupt;
    if (!pictureSizeAllowed(info.xsize, info.ysize))
        return DecodeStatus::TooLarge;
    job.grey = info.num_color_channels == 1;
    rows.holdBesides(kHeldPerPixel * width * height);
    if (const DecodeStatus started =
            rows.startWhole(width, height, job.grey ? PixelDepth::Bits8 : PixelDepth::Bits24);
        started != DecodeStatus::Ok)
        return started;
    if (job.grey)
        rows.setColorTable(greyColorTable());
    return DecodeStatus::Ok;
}

DecodeStatus decodeEvents(JxlDecoder* decoder, FileBytes file, PictureRows& rows, Job& job,
                          DecodeCancel cancel) {
    std::size_t given = std::min(file.size(), kPieceBytes);
    JxlDecoderSetInput(decoder, file.data(), given);
    for (;;) {
        bool wasCancelled = false;
        const JxlDecoderStatus event = nextEvent(decoder, file, given, cancel, wasCancelled);
        if (wasCancelled || cancelled(cancel))
            return DecodeStatus::Cancelled;
        switch (event) {
        case JXL_DEC_BASIC_INFO:
            if (const DecodeStatus started = startRows(decoder, rows, job);
                started != DecodeStatus::Ok)
                return started;
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            // Straight into the picture: libjxl then renders its groups
            // there, holding far less of its own than for a callback.
            const JxlPixelFormat format{job.grey ? 1U : 3U, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
            WorkBitmap& picture = *job.picture;
            std::size_t size = 0;
            if (JxlDecoderImageOutBufferSize(decoder, &format, &size) != JXL_DEC_SUCCESS ||
                size != picture.stride() * static_cast<std::size_t>(picture.height()) ||
                JxlDecoderSetImageOutBuffer(decoder, &format, picture.row(0), size) !=
                    JXL_DEC_SUCCESS)
                return DecodeStatus::Unsupported;
            break;
        }
        case JXL_DEC_FULL_IMAGE: // the first frame is all that is shown
        case JXL_DEC_SUCCESS:
            if (job.picture->isEmpty())
                return DecodeStatus::Corrupt;
            return job.grey ? DecodeStatus::Ok : swapRedAndBlue(*job.picture, cancel);
        case JXL_DEC_NEED_MORE_INPUT:
            return DecodeStatus::Truncated;
        case JXL_DEC_ERROR:
            return DecodeStatus::Corrupt;
        default:
            break;
        }
    }
}

// The header, as stored: kept so, the orientation is reported, not applied.
// The input is left open, so that a file cut inside its header is told by
// the decoder's asking for more rather than by a failure it words on
// standard error.
struct JxlHeader {
    std::optional<JxlBasicInfo> info;
    DecodeStatus status = DecodeStatus::Corrupt; ///< without info
};

JxlHeader headerOf(FileBytes file) {
    JxlHeader header;
    const JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
    if (!decoder || JxlDecoderSetKeepOrientation(decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO) != JXL_DEC_SUCCESS) {
        header.status = DecodeStatus::OutOfMemory;
        return header;
    }
    JxlDecoderSetInput(decoder.get(), file.data(), file.size());
    JxlBasicInfo info;
    const JxlDecoderStatus read = JxlDecoderProcessInput(decoder.get());
    if (read == JXL_DEC_NEED_MORE_INPUT)
        header.status = DecodeStatus::Truncated;
    else if (read == JXL_DEC_BASIC_INFO &&
             JxlDecoderGetBasicInfo(decoder.get(), &info) == JXL_DEC_SUCCESS)
        header.info = info;
    return header;
}

} // namespace

DecodeStatus decodeJxl(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                       ConversionLoad* conversion) {
    picture.clear();
    if (!looksLikeJxl(file))
        return DecodeStatus::WrongFormat;
    if (cancel != nullptr) {
        // libjxl words what it finds wrong in a file on standard error, which
        // is the caller's: the terminal a previewer draws on, or a program
        // that embeds the library. With a cancel given (every conversion), a
        // picture decodes in a process of its own whose standard error goes
        // nowhere; one whose header does not read is not decoded at all.
        const JxlHeader header = headerOf(file);
        if (!header.info)
            return header.status;
        const JxlBasicInfo& info = *header.info;
        if (pictureSizeAllowed(info.xsize, info.ysize)) {
            const PictureSize size{static_cast<int>(info.xsize), static_cast<int>(info.ysize)};
            if (const std::optional<DecodeStatus> apart = decodeInOwnProcess(
                    PictureType::Jxl, file, picture, cancel, conversion, size, 0))
                return *apart;
        }
    }
    const JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
    if (!decoder)
        return DecodeStatus::OutOfMemory;
    // Its groups decode on every core, as djxl's do.
    const JxlThreadParallelRunnerPtr threads =
        JxlThreadParallelRunnerMake(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    CancellableRunner runner{threads.get(), cancel};
    if (JxlDecoderSetParallelRunner(decoder.get(), runCancellably, &runner) != JXL_DEC_SUCCESS)
        return DecodeStatus::Unsupported;
    // As stored: the orientation is turned upright as for every type.
    if (JxlDecoderSetKeepOrientation(decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) !=
            JXL_DEC_SUCCESS)
        return DecodeStatus::Unsupported;
    PictureRows rows(picture, conversion);
    Job job;
    job.picture = &picture;
    const DecodeStatus finished =
        rows.finish(decodeEvents(decoder.get(), file, rows, job, cancel), cancel);
    if (finished != DecodeStatus::Ok)
        picture.clear();
    return finished;
}

Orientation jxlOrientation(FileBytes file) {
    const std::optional<JxlBasicInfo> info = headerOf(file).info;
    if (!info)
        return Orientation::Upright;
    const int value = static_cast<int>(info->orientation);
    return value >= 1 && value <= 8 ? static_cast<Orientation>(value) : Orientation::Upright;
}

} // namespace varnelo
