#pragma once
// The fuzzer's bytes, read as a stream of decisions. Once the bytes run out
// every read yields 0, which each target takes as its plainest choice (no
// operation, a truthful line, silence), so any input describes a finite run.

#include <cstddef>
#include <cstdint>
#include <string>

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Exhausted() const { return offset_ >= size_; }

    std::uint8_t Byte() { return Exhausted() ? 0 : data_[offset_++]; }

    // Little-endian, so that a seed written by hand reads as it looks.
    template <typename Integer>
    Integer Number()
    {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < sizeof(Integer); ++i)
            value |= static_cast<std::uint64_t>(Byte()) << (8 * i);
        return static_cast<Integer>(value);
    }

    // Up to count bytes, fewer when the input ends first.
    std::string Bytes(std::size_t count)
    {
        std::size_t available = Exhausted() ? 0 : size_ - offset_;
        std::size_t taken = count < available ? count : available;
        if (taken == 0)
            return {};
        std::string bytes(reinterpret_cast<const char*>(data_ + offset_), taken);
        offset_ += taken;
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};
