#include "ui/number_field.h"

#include <QLineEdit>

#include <limits>

namespace varnelo {

bool fieldNumberWithin(const QLineEdit& field, std::int32_t low, std::int32_t high) {
    // The sign and digit rule of readNumber, but without its wrap-around: a
    // long run of digits that wraps into the range would be accepted while
    // the field shows a number far outside it.
    const QString text = field.text();
    if (text.isEmpty())
        return false;
    qsizetype index = 0;
    const bool negative = text[0] == u'-';
    if (negative || text[0] == u'+')
        index = 1;
    constexpr std::int64_t kBeyond = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 2;
    std::int64_t magnitude = 0;
    for (; index < text.size() && text[index] >= u'0' && text[index] <= u'9'; ++index) {
        magnitude = magnitude * 10 + (text[index].unicode() - u'0');
        if (magnitude >= kBeyond)
            return false;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return false;
    return value >= low && value <= high;
}

} // namespace varnelo
