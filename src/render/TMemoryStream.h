#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

// A growable byte buffer with a read/write position. Writing past the end
// grows it; writing from an earlier position overwrites and keeps the size,
// so a reused stream may carry bytes of an older, longer content at its end.
class TMemoryStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

    size_t Size() const { return data_.size(); }
    size_t Position() const { return position_; }
    void SetPosition(size_t position) { position_ = std::min(position, data_.size()); }
    void Clear()
    {
        data_.clear();
        position_ = 0;
    }

    void Write(const void* bytes, size_t count)
    {
        if (count == 0) {
            return;
        }
        if (position_ + count > data_.size()) {
            data_.resize(position_ + count);
        }
        std::memcpy(data_.data() + position_, bytes, count);
        position_ += count;
    }

    // Copies up to count bytes from the position on; answers how many it copied.
    size_t Read(void* bytes, size_t count)
    {
        size_t available = std::min(count, data_.size() - position_);
        if (available > 0) {
            std::memcpy(bytes, data_.data() + position_, available);
        }
        position_ += available;
        return available;
    }

    // The bytes from the position to the end.
    std::span<const uint8_t> Remaining() const
    {
        return std::span<const uint8_t>(data_).subspan(position_);
    }

    const std::vector<uint8_t>& Bytes() const { return data_; }

private:
    std::vector<uint8_t> data_;
    size_t position_ = 0;
};
