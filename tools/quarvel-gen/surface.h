// A surface held in memory: every point is computed and checked before the
// first byte is written, so a bad value never leaves a partial mesh.
#pragma once

#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Memory for values, on huge pages where it is large (a million points
// otherwise take thousands of page faults).  Throws std::bad_alloc.
void *allocateValues(std::size_t bytes);
void freeValues(void *values);

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
    T *allocate(std::size_t n) { return static_cast<T *>(allocateValues(n * sizeof(T))); }
    void deallocate(T *p, std::size_t) { freeValues(p); }
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

struct Surface {
    long rows = 0, cols = 0;
    // Over a plain x-y grid x has one value per row and y one per column;
    // otherwise all three have one value per point, column by column
    // (index i + j * rows).  z always has one per point.
    bool perPointXY = false;
    Values x, y, z;
    std::string comment;  // the mesh text's first line
};

// Bytes a rows x cols surface takes while it is made and written: its
// values and the text the writer formats ahead.
uint64_t surfaceBytes(long rows, long cols, bool perPointXY);

// Makes a whole turn close exactly: where the last row lies within a
// rounding error of the first at every column, it becomes a copy of the
// first, so the viewer finds the seam and shades across it; the same for
// the last and first columns.  Only for surfaces with per-point x and y.
void closeSeams(Surface &surface);

// Writes the mesh text (comment, header, points) on stream; write errors
// stay on the stream for the caller to check.
void writeSurface(const Surface &surface, FILE *stream);
