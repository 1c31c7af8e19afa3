#include "pictures/RowReducer.h"

#include <algorithm>
#include <cstring>

TRowReducer::TRowReducer(int32_t sourceWidth, int32_t sourceHeight, int32_t targetWidth, int32_t targetHeight)
    : sourceWidth_(sourceWidth), sourceHeight_(sourceHeight)
{
    targetWidth = std::clamp(targetWidth, 1, std::max(sourceWidth, 1));
    targetHeight = std::clamp(targetHeight, 1, std::max(sourceHeight, 1));
    result_.SetSize(targetWidth, targetHeight, 24);
    columnOf_.resize(size_t(std::max(sourceWidth, 0)));
    for (int32_t x = 0; x < sourceWidth; ++x)
        columnOf_[size_t(x)] = int32_t(int64_t(x) * targetWidth / sourceWidth);
    sums_.assign(size_t(targetWidth) * 3, uint64_t(0));
    counts_.assign(size_t(targetWidth), 0);
}

void TRowReducer::AddRow(const uint8_t* bgr)
{
    if (sourceRow_ >= sourceHeight_)
        return;
    const int32_t target = int32_t(int64_t(sourceRow_) * result_.Height() / sourceHeight_);
    if (target != targetRow_)
        FlushRow();
    targetRow_ = target;
    for (int32_t x = 0; x < sourceWidth_; ++x) {
        const size_t column = size_t(columnOf_[size_t(x)]);
        uint64_t* sum = &sums_[3 * column];
        sum[0] += bgr[3 * size_t(x)];
        sum[1] += bgr[3 * size_t(x) + 1];
        sum[2] += bgr[3 * size_t(x) + 2];
        ++counts_[column];
    }
    if (++sourceRow_ == sourceHeight_)
        FlushRow();
}

void TRowReducer::FlushRow()
{
    uint8_t* out = result_.ScanLine(targetRow_);
    for (size_t column = 0; column < counts_.size(); ++column) {
        const uint64_t count = std::max(counts_[column], 1u);
        for (size_t channel = 0; channel < 3; ++channel)
            out[3 * column + channel] = uint8_t((sums_[3 * column + channel] + count / 2) / count);
    }
    std::fill(sums_.begin(), sums_.end(), uint64_t(0));
    std::fill(counts_.begin(), counts_.end(), 0u);
}

TReducedSize ReducedSize(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight)
{
    if (width <= boxWidth && height <= boxHeight)
        return {width, height};
    // The larger of the two shrink factors keeps the whole picture inside the box.
    const double scale = std::min(double(boxWidth) / width, double(boxHeight) / height);
    return {std::max(1, int32_t(width * scale + 0.5)), std::max(1, int32_t(height * scale + 0.5))};
}
