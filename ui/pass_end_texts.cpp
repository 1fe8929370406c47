#include "ui/pass_end_texts.h"

#include <QFile>

namespace varnelo {

namespace {

const QString kCancelled = QStringLiteral("cancelled!");

PassEndTexts refusalTexts(const PassRefusal& refusal) {
    switch (refusal.reason) {
    case RefusalReason::PictureTooLarge:
        return {QStringLiteral("Image size of %1 x %2 pixel is exceeding the limit of %3 "
                               "pixel!\r\ntry to reduce the image size!")
                    .arg(refusal.width)
                    .arg(refusal.height)
                    .arg(refusal.limit),
                kCancelled, false};
    case RefusalReason::ImageTooLarge:
        return {QStringLiteral("Image width or height is exceeding the limit of %1 pixel!\r\n"
                               "try to reduce the image or font size!")
                    .arg(refusal.limit),
                kCancelled, false};
    case RefusalReason::ImageEmpty:
        break;
    }
    return {QStringLiteral("Image width or height is 0 pixel!\r\ntry to enlarge the image size!"),
            kCancelled, false};
}

PassEndTexts failureTexts(const PassFailure& failure) {
    // Paths and the system's words are in the system's encoding.
    const QString path = QFile::decodeName(failure.path.c_str());
    const QString reason = QString::fromLocal8Bit(failure.reason.c_str());
    switch (failure.stage) {
    case FailureStage::Loading:
        if (failure.load.status == LoadStatus::PngFailed)
            return {failedDisplayingText(path), QStringLiteral("loading failed!"), false};
        return {QStringLiteral("please select a valid imagefile!"),
                QStringLiteral("loading failed!"), false};
    case FailureStage::OutOfMemory:
        return {QStringLiteral("not enough memory for a picture of this size!"), kCancelled, false};
    case FailureStage::Saving:
        return {QStringLiteral("failed saving \"") + path + QStringLiteral("\"!\r\n") + reason,
                QStringLiteral("saving failed!"), false};
    case FailureStage::Unexpected:
        break;
    }
    return {reason, QStringLiteral("failed!"), false};
}

} // namespace

QString statusText(const PassProgress& progress) {
    switch (progress.stage) {
    case PassStage::Resizing:
        return QStringLiteral("resizing image...");
    case PassStage::Drawing:
        return QStringLiteral("processing image line %1 of %2...")
            .arg(progress.line)
            .arg(progress.lines);
    case PassStage::RemovingZeros:
        return QStringLiteral("removing leading color zeros...");
    case PassStage::Compressing:
        return QStringLiteral("compressing...");
    case PassStage::Saving:
        return QStringLiteral("saving...");
    case PassStage::Done:
        break;
    }
    return QStringLiteral("ready - done in %1 ms").arg(progress.milliseconds);
}

QString failedDisplayingText(const QString& path) {
    return QStringLiteral("failed displaying \"") + path + QStringLiteral("\"!");
}

PassEndTexts passEndTexts(const PassResult& result) {
    switch (result.end) {
    case PassEnd::Done:
        return {{}, {}, true};
    case PassEnd::Cancelled:
        return {{}, kCancelled, false};
    case PassEnd::Refused:
        return refusalTexts(result.refusal);
    case PassEnd::Failed:
        break;
    }
    return failureTexts(result.failure);
}

} // namespace varnelo
