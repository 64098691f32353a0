// Building blocks of the fixed-record files: length-prefixed short strings and one-byte
// booleans. Records are packed structs of these and of little-endian integers, so a record read
// from disk and written back unchanged keeps every byte, including the ones nobody interprets.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

static_assert(std::endian::native == std::endian::little,
              "record files are little-endian images; a big-endian port needs byte swapping");

namespace vorn {

#pragma pack(push, 1)

// string[N]: one length byte, then N character bytes. Bytes past the length are kept as found.
template <std::size_t N>
struct ShortString {
    static_assert(N >= 1 && N <= 255);
    std::uint8_t length;
    char text[N];

    static constexpr std::size_t capacity = N;

    // A length byte larger than the capacity (a damaged file) reads as the full capacity.
    std::size_t size() const { return std::min<std::size_t>(length, N); }
    std::string_view view() const { return {text, size()}; }
    std::string str() const { return std::string(view()); }
    bool empty() const { return size() == 0; }

    // Longer texts are cut to the capacity, as the record format demands.
    void set(std::string_view value) {
        const std::size_t n = std::min(value.size(), N);
        if (n > 0) std::memcpy(text, value.data(), n);
        length = static_cast<std::uint8_t>(n);
    }
    ShortString& operator=(std::string_view value) {
        set(value);
        return *this;
    }
};

// One byte: 0 is false, anything else true; true is written as 1. A byte that is only read keeps
// its value.
struct Bool8 {
    std::uint8_t raw;

    operator bool() const { return raw != 0; }
    Bool8& operator=(bool value) {
        raw = value ? 1 : 0;
        return *this;
    }
};

// A little-endian integer stored as bytes, so a record field is never a misaligned object: it
// reads and writes through a copy, and binding a reference to it is always safe.
template <class T>
struct LeInt {
    static_assert(std::is_integral_v<T>);
    unsigned char bytes[sizeof(T)];

    operator T() const {
        T value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
    T get() const { return *this; }
    LeInt& operator=(T value) {
        std::memcpy(bytes, &value, sizeof value);
        return *this;
    }
    LeInt& operator+=(T value) { return *this = static_cast<T>(get() + value); }
    LeInt& operator-=(T value) { return *this = static_cast<T>(get() - value); }
    LeInt& operator*=(T value) { return *this = static_cast<T>(get() * value); }
    LeInt& operator|=(T value) { return *this = static_cast<T>(get() | value); }
    LeInt& operator&=(T value) { return *this = static_cast<T>(get() & value); }
    LeInt& operator++() { return *this += 1; }
    LeInt& operator--() { return *this -= 1; }
};

using U16 = LeInt<std::uint16_t>;
using I16 = LeInt<std::int16_t>;
using U32 = LeInt<std::uint32_t>;
using I32 = LeInt<std::int32_t>;
using U64 = LeInt<std::uint64_t>;
using I64 = LeInt<std::int64_t>;

#pragma pack(pop)

static_assert(sizeof(U16) == 2 && alignof(U16) == 1);
static_assert(sizeof(I32) == 4 && alignof(I32) == 1);
static_assert(sizeof(ShortString<20>) == 21);
static_assert(sizeof(ShortString<255>) == 256);
static_assert(sizeof(Bool8) == 1);

}  // namespace vorn
