#pragma once
#include <cstdint>
#include <vector>

#include "render/TDIB.h"

// Shrinks a picture that arrives one row at a time, top first, into a 24-bit
// bitmap of a smaller size: every target pixel is the average of the source
// pixels it covers. Only one row of sums is held, so a picture of any size
// costs no more than its reduced result.
class TRowReducer {
public:
    // Source size to target size; the target is at most the source on each side.
    TRowReducer(int32_t sourceWidth, int32_t sourceHeight, int32_t targetWidth, int32_t targetHeight);

    // Rows 0, 1, 2, ... of the source as blue, green, red triples.
    void AddRow(const uint8_t* bgr);
    // The result, once every source row has been added.
    TDIB& Result() { return result_; }

private:
    void FlushRow();

    int32_t sourceWidth_;
    int32_t sourceHeight_;
    TDIB result_;
    std::vector<int32_t> columnOf_;   // target column of each source column
    std::vector<uint64_t> sums_;      // per target pixel and channel
    std::vector<uint32_t> counts_;    // source pixels summed per target pixel
    int32_t sourceRow_ = 0;
    int32_t targetRow_ = 0;
};

// The size a picture of width × height is reduced to so that it still fills
// what it is shown in: the box keeps its proportions, and a picture that is
// no larger than the box keeps its own size.
struct TReducedSize {
    int32_t Width = 0;
    int32_t Height = 0;
};
TReducedSize ReducedSize(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight);
