// A surface in memory as quarvel's mesh holds it: rows x cols points,
// column by column.  quarvel-gen makes one and quarvel-import reads every
// format into one, so that a program or a binding takes the values as
// arrays; the mesh text (grid_text.h) is one use of it.
#pragma once

#include <cstddef>
#include <new>
#include <string>
#include <vector>

// Where a coordinate's values are: one per row (values[i]), one per column
// (values[j]) or one per point, column by column (values[i + j * rows]).
enum class Spread { perRow, perColumn, perPoint };

// Blocks from bigBlock bytes up are mapped on their own, in huge pages
// where the kernel allows (big_blocks.cpp); not under AddressSanitizer,
// which then sees every block.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t bigBlock = std::size_t(-1);
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr std::size_t bigBlock = std::size_t(-1);
#else
constexpr std::size_t bigBlock = std::size_t{4} << 20;
#endif
#else
constexpr std::size_t bigBlock = std::size_t{4} << 20;
#endif
void *allocateBigBlock(std::size_t bytes);
void freeBigBlock(void *block, std::size_t bytes);

// Leaves new elements uninitialised: every value is computed right after,
// and the memory is first touched by the threads that compute them (zeroing
// a million points first costs as much as evaluating a simple formula).
template <class T>
struct Uninitialised {
    using value_type = T;
    Uninitialised() = default;
    template <class U>
    Uninitialised(const Uninitialised<U> &)
    {
    }
    T *allocate(std::size_t n)
    {
        if (n > std::size_t(-1) / sizeof(T)) {
            throw std::bad_alloc();
        }
        const std::size_t bytes = n * sizeof(T);
        return static_cast<T *>(bytes >= bigBlock ? allocateBigBlock(bytes) : ::operator new(bytes));
    }
    void deallocate(T *p, std::size_t n)
    {
        if (n * sizeof(T) >= bigBlock) {
            freeBigBlock(p, n * sizeof(T));
        } else {
            ::operator delete(p);
        }
    }
    template <class U>
    void construct(U *) noexcept
    {
    }
    template <class U>
    void construct(U *p, const U &value)
    {
        *p = value;
    }
    template <class U>
    bool operator==(const Uninitialised<U> &) const
    {
        return true;
    }
    template <class U>
    bool operator!=(const Uninitialised<U> &) const
    {
        return false;
    }
};
using Values = std::vector<double, Uninitialised<double>>;

// From a placed coordinate to its true value, as the source holds it (a
// column index, degrees, heights before --zero-base): offset + scale * placed.
struct AxisMap {
    double offset = 0, scale = 1;
    std::string title;  // what the true values are, when not just x, y or z
    double of(double placed) const { return offset + scale * placed; }
};

struct Grid {
    long rows = 0, cols = 0;
    Values x, y, z;
    // Over a plain x-y grid x has one value per row and y one per column.
    Spread xSpread = Spread::perPoint, ySpread = Spread::perPoint, zSpread = Spread::perPoint;
    std::string comment;  // the mesh text's comment, one line or several
    AxisMap xTrue, yTrue, zTrue;  // for labels: a figure's axes show true values
};
