#include "common/grid_text.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

const long chunkPoints = 1 << 12;  // about 0.25 MB of text

// The shortest text of each value of a per-row or per-column coordinate.
struct Texts {
    std::string chars;
    std::vector<std::size_t> start;  // one more than there are values
};

struct Job {
    long rows, cols;
    GridCoordinate coordinate[3];
    Texts texts[3];
};

// Formatting runs at most this many chunks ahead of the writer, so memory
// stays a few chunks per thread whatever the grid's size.
struct Pipeline {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> slots;
    std::vector<char> ready;
    long chunks = 0, next = 0, written = 0;
    bool stop = false;
    std::exception_ptr error;
};

} // namespace

static char *putNumber(char *p, double value)
{
    return std::to_chars(p, p + 32, value).ptr;
}

static void formatTexts(Texts &texts, const double *values, long count)
{
    texts.start.reserve(count + 1);
    texts.chars.reserve(count * 24);
    for (long k = 0; k < count; ++k) {
        char number[32];
        texts.start.push_back(texts.chars.size());
        texts.chars.append(number, putNumber(number, values[k]));
    }
    texts.start.push_back(texts.chars.size());
}

static char *putCoordinate(char *p, const Job &job, int c, long i, long j, long k)
{
    const GridCoordinate &coordinate = job.coordinate[c];
    if (coordinate.spread == Spread::perPoint) {
        return putNumber(p, coordinate.values[k]);
    }
    const Texts &texts = job.texts[c];
    long n = coordinate.spread == Spread::perRow ? i : j;
    std::size_t length = texts.start[n + 1] - texts.start[n];
    std::memcpy(p, texts.chars.data() + texts.start[n], length);
    return p + length;
}

// Lines of points [first, end) in file order (k = i + j * rows).
static void formatChunk(const Job &job, long first, long end, std::string &out)
{
    out.clear();
    out.reserve((end - first) * 72);
    long i = first % job.rows, j = first / job.rows;
    for (long k = first; k < end; ++k) {
        char line[96];  // three numbers of at most 24 characters, blanks, line feed
        char *p = putCoordinate(line, job, 0, i, j, k);
        *p++ = ' ';
        p = putCoordinate(p, job, 1, i, j, k);
        *p++ = ' ';
        p = putCoordinate(p, job, 2, i, j, k);
        *p++ = '\n';
        out.append(line, p);
        if (++i == job.rows) {
            i = 0;
            ++j;
        }
    }
}

static void formatChunks(const Job &job, Pipeline &work)
{
    const long points = job.rows * job.cols;
    const long slotCount = static_cast<long>(work.slots.size());
    std::unique_lock<std::mutex> hold(work.lock);
    for (;;) {
        work.changed.wait(hold, [&] {
            return work.stop || work.next == work.chunks || work.next < work.written + slotCount;
        });
        if (work.stop || work.next == work.chunks) {
            return;
        }
        long chunk = work.next++;
        std::string &slot = work.slots[chunk % slotCount];
        hold.unlock();
        try {
            formatChunk(job, chunk * chunkPoints, std::min(points, (chunk + 1) * chunkPoints), slot);
        } catch (...) {
            hold.lock();
            work.error = std::current_exception();
            work.stop = true;
            work.changed.notify_all();
            return;
        }
        hold.lock();
        work.ready[chunk % slotCount] = 1;
        work.changed.notify_all();
    }
}

// Writes the chunks in order as they become ready; stops at a failed write.
static void writeChunks(FILE *stream, Pipeline &work)
{
    const long slotCount = static_cast<long>(work.slots.size());
    std::unique_lock<std::mutex> hold(work.lock);
    while (work.written < work.chunks) {
        long slot = work.written % slotCount;
        work.changed.wait(hold, [&] { return work.stop || work.ready[slot]; });
        if (work.stop) {
            return;
        }
        hold.unlock();
        const std::string &text = work.slots[slot];
        bool wrote = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
        hold.lock();
        work.ready[slot] = 0;
        ++work.written;
        work.stop = !wrote;
        work.changed.notify_all();
    }
}

// A single piece, one core or no thread to be had: format, write, repeat.
static void writeInOneThread(FILE *stream, const Job &job, std::string &text)
{
    const long points = job.rows * job.cols;
    for (long first = 0; first < points; first += chunkPoints) {
        formatChunk(job, first, std::min(points, first + chunkPoints), text);
        if (std::fwrite(text.data(), 1, text.size(), stream) != text.size()) {
            return;
        }
    }
}

void addGrid(MeshText &text, long rows, long cols, GridCoordinate x, GridCoordinate y,
             GridCoordinate z)
{
    endMesh(text);  // the header goes first
    Job job{rows, cols, {x, y, z}, {}};
    for (int c = 0; c < 3; ++c) {
        const GridCoordinate &coordinate = job.coordinate[c];
        if (coordinate.spread != Spread::perPoint) {
            formatTexts(job.texts[c], coordinate.values,
                        coordinate.spread == Spread::perRow ? rows : cols);
        }
    }
    long threads = std::clamp<long>(std::thread::hardware_concurrency(), 1, 8);
    Pipeline work;
    work.chunks = (rows * cols + chunkPoints - 1) / chunkPoints;
    threads = std::min(threads, work.chunks);
    work.slots.resize(2 * threads + 1);
    work.ready.assign(work.slots.size(), 0);
    std::vector<std::thread> workers;
    for (long t = 0; t < threads && threads > 1; ++t) {
        try {
            workers.emplace_back(formatChunks, std::cref(job), std::ref(work));
        } catch (const std::system_error &) {
            break;  // the threads started so far do the work
        }
    }
    if (workers.empty()) {
        writeInOneThread(text.stream, job, work.slots[0]);
        return;
    }
    writeChunks(text.stream, work);
    {
        std::lock_guard<std::mutex> hold(work.lock);
        work.stop = true;
    }
    work.changed.notify_all();
    for (std::thread &worker : workers) {
        worker.join();
    }
    if (work.error) {
        std::rethrow_exception(work.error);
    }
}

void writeGrid(FILE *stream, const Grid &grid)
{
    MeshText text = beginMesh(stream, grid.comment, grid.rows, grid.cols);
    addGrid(text, grid.rows, grid.cols, {grid.xSpread, grid.x.data()}, {grid.ySpread, grid.y.data()},
            {grid.zSpread, grid.z.data()});
}
