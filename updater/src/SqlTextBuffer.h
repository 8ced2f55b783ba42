#pragma once
// A growing text for the converter's rows and output. The converter appends several small pieces per
// field of the dump (a comma, quotes, the value, "decode(" around BLOBs); these appends are inlined to
// a capacity check and a copy, where the string class's own would be calls.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

class TSqlTextBuffer {
public:
    size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    const char* Data() const { return data_.get(); }
    std::string_view View() const { return {data_.get(), size_}; }
    void Clear() { size_ = 0; }

    TSqlTextBuffer& Append(const char* AText, size_t ALength) {
        if (ALength > capacity_ - size_)
            Grow(ALength);
        if (ALength > 0)
            std::memcpy(data_.get() + size_, AText, ALength);
        size_ += ALength;
        return *this;
    }
    TSqlTextBuffer& Append(std::string_view AText) { return Append(AText.data(), AText.size()); }
    TSqlTextBuffer& Append(char AChar) {
        if (size_ == capacity_)
            Grow(1);
        data_[size_++] = AChar;
        return *this;
    }

private:
    void Grow(size_t AMore) {
        const size_t capacity = std::max({capacity_ * 2, size_ + AMore, size_t(64)});
        std::unique_ptr<char[]> data(new char[capacity]);
        if (size_ > 0)
            std::memcpy(data.get(), data_.get(), size_);
        data_ = std::move(data);
        capacity_ = capacity;
    }

    std::unique_ptr<char[]> data_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};
