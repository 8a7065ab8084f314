#include "platform/shell/line_sort.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <queue>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/huge_pages.h"
#include "platform/shell/scratch.h"

namespace shell {

namespace {

constexpr std::size_t kReadBlock = std::size_t{1} << 20;
constexpr std::size_t kWriteBlock = std::size_t{1} << 20;
// Runs merged at once; more are merged in rounds.
constexpr std::size_t kFanIn = 64;

// A failure on its way out of SortLines.
struct Failure {
    int error;
    std::string text;
};

[[noreturn]] void Fail(int error, const std::string& what) {
    throw Failure{error, what + ": " + std::strerror(error)};
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// Reads as much as is there, up to n bytes; 0 at the end.
std::size_t ReadSome(int fd, char* p, std::size_t n, const std::string& name) {
    for (;;) {
        ssize_t r = ::read(fd, p, n);
        if (r >= 0) return static_cast<std::size_t>(r);
        if (errno != EINTR) Fail(errno, "reading " + name);
    }
}

class Writer {
public:
    Writer(int fd, std::string name) : fd_(fd), name_(std::move(name)) { buf_.reserve(kWriteBlock); }
    void Line(std::string_view line) {
        if (buf_.size() + line.size() + 1 > kWriteBlock) Flush();
        if (line.size() + 1 > kWriteBlock) {
            WriteAll(line.data(), line.size());
            WriteAll("\n", 1);
            return;
        }
        buf_.append(line);
        buf_.push_back('\n');
    }
    void Flush() {
        WriteAll(buf_.data(), buf_.size());
        buf_.clear();
    }

private:
    void WriteAll(const char* p, std::size_t n) {
        while (n > 0) {
            ssize_t w = ::write(fd_, p, n);
            if (w < 0) {
                if (errno == EINTR) continue;
                Fail(errno, "writing " + name_);
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
    }
    int fd_;
    std::string name_;
    std::string buf_;
};

// One line of the in-memory batch: its first 16 bytes as two big-endian
// numbers (zero-padded) decide most comparisons without touching the text.
struct Entry {
    uint64_t prefix[2];
    std::size_t off;
    std::size_t len;
};

// Bytes from..from+8 of a line as a big-endian number, zero-padded.
uint64_t PrefixOf(const char* p, std::size_t n, std::size_t from) {
    unsigned char b[8] = {};
    if (n > from) std::memcpy(b, p + from, std::min<std::size_t>(n - from, 8));
    uint64_t v = 0;
    for (unsigned char c : b) v = (v << 8) | c;
    return v;
}

bool Less(std::string_view a, std::string_view b) {
    const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    return c != 0 ? c < 0 : a.size() < b.size();
}

// Threads a sort of this many lines may use; a smaller one is not worth a
// thread. Equal lines are the same bytes, so how the work is shared out
// cannot change the result.
constexpr std::size_t kLinesPerThread = 4096;
// For sharing out a file by its size: a line of a collision extract.
constexpr std::size_t kBytesPerLine = 64;
constexpr unsigned kMaxThreads = 8;

unsigned ThreadsFor(std::size_t lines) {
    const unsigned cores = std::max(1u, std::min(std::thread::hardware_concurrency(), kMaxThreads));
    return static_cast<unsigned>(std::min<std::size_t>(cores, std::max<std::size_t>(1, lines / kLinesPerThread)));
}

// Runs f(0) .. f(n - 1), each on a thread of its own (f(0) on this one);
// the first failure of any is thrown here once all have ended.
template <typename F>
void OnThreads(unsigned n, F&& f) {
    std::vector<std::exception_ptr> failed(n);
    const auto run = [&](unsigned i) {
        try {
            f(i);
        } catch (...) {
            failed[i] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(n > 0 ? n - 1 : 0);
    for (unsigned i = 1; i < n; ++i) {
        try {
            threads.emplace_back(run, i);
        } catch (const std::system_error&) {
            run(i);  // no thread to be had: here, then
        }
    }
    if (n > 0) run(0);
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& e : failed)
        if (e) std::rethrow_exception(e);
}

// The batch's large buffers: bytes read straight into one need no zeroing
// first, and huge pages spare touching its pages one by one, which costs more
// than the sort itself on some machines.
template <typename T>
using Uninitialised = huge_pages::Allocator<T>;

using Entries = std::vector<Entry, Uninitialised<Entry>>;

struct Span {
    const Entry* begin;
    const Entry* end;
    std::size_t size() const { return static_cast<std::size_t>(end - begin); }
};

// Merges sorted spans into `out`, pieces of the result side by side: the
// spans are cut at a few of their own lines, each piece of the result merges
// the spans' parts between two cuts. Equal lines fall on one side of a cut
// together.
template <typename Before>
void MergeSpans(const std::vector<Span>& spans, Entry* out, std::size_t total, const Before& before) {
    const unsigned n = ThreadsFor(total);
    std::vector<Entry> cuts;
    for (const Span& sp : spans)
        for (unsigned k = 1; k < 8 * n && sp.size() > 0; ++k) cuts.push_back(sp.begin[sp.size() * k / (8 * n)]);
    std::sort(cuts.begin(), cuts.end(), before);
    // at[i][j]: where piece j of the result starts in span i.
    std::vector<std::vector<const Entry*>> at(spans.size(), std::vector<const Entry*>(n + 1));
    std::vector<std::size_t> place(n + 1, 0);
    for (std::size_t i = 0; i < spans.size(); ++i) {
        at[i][0] = spans[i].begin;
        at[i][n] = spans[i].end;
        for (unsigned j = 1; j < n; ++j)
            at[i][j] = cuts.empty() ? spans[i].end
                                    : std::lower_bound(at[i][j - 1], spans[i].end, cuts[cuts.size() * j / n], before);
        for (unsigned j = 0; j < n; ++j) place[j + 1] += static_cast<std::size_t>(at[i][j + 1] - at[i][j]);
    }
    for (unsigned j = 0; j < n; ++j) place[j + 1] += place[j];
    OnThreads(n, [&](unsigned j) {
        std::vector<const Entry*> head, end;
        for (std::size_t i = 0; i < spans.size(); ++i) {
            if (at[i][j] == at[i][j + 1]) continue;
            head.push_back(at[i][j]);
            end.push_back(at[i][j + 1]);
        }
        Entry* o = out + place[j];
        while (!head.empty()) {
            std::size_t m = 0;
            for (std::size_t k = 1; k < head.size(); ++k)
                if (before(*head[k], *head[m])) m = k;
            *o++ = *head[m]++;
            if (head[m] == end[m]) {
                head.erase(head.begin() + static_cast<std::ptrdiff_t>(m));
                end.erase(end.begin() + static_cast<std::ptrdiff_t>(m));
            }
        }
    });
}

class Batch {
public:
    // Reads up to n bytes of fd onto the end of the text and indexes the
    // lines they complete; returns the bytes read, 0 at the end.
    std::size_t ReadFrom(int fd, std::size_t n, const std::string& name) {
        const std::size_t from = text_.size();
        // Within what was reserved, so the text is not moved.
        if (text_.capacity() > from) n = std::min(n, text_.capacity() - from);
        text_.resize(from + n);
        const std::size_t got = ReadSome(fd, text_.data() + from, n, name);
        text_.resize(from + got);
        line_start_ = IndexInto(entries_, line_start_, text_.size());
        return got;
    }
    // Reads the first `size` bytes of fd, pieces of them side by side, and
    // indexes and sorts each piece's lines the same way; later reads go on
    // from there. False, with nothing read, when the file turned out shorter.
    bool ReadWhole(int fd, std::size_t size, const std::string& name) {
        text_.resize(size);
        const unsigned n = ThreadsFor(size / kBytesPerLine);
        std::vector<int> errors(n, 0);
        std::vector<char> short_read(n, 0);
        OnThreads(n, [&](unsigned i) {
            std::size_t at = size * i / n;
            const std::size_t end = size * (i + 1) / n;
            while (at < end) {
                const ssize_t r = ::pread(fd, text_.data() + at, end - at, static_cast<off_t>(at));
                if (r < 0 && errno == EINTR) continue;
                if (r < 0) errors[i] = errno;
                if (r == 0) short_read[i] = 1;
                if (r <= 0) return;
                at += static_cast<std::size_t>(r);
            }
        });
        for (int e : errors)
            if (e != 0) Fail(e, "reading " + name);
        if (std::find(short_read.begin(), short_read.end(), 1) != short_read.end() ||
            ::lseek(fd, static_cast<off_t>(size), SEEK_SET) < 0) {
            text_.clear();
            if (::lseek(fd, 0, SEEK_SET) < 0) Fail(errno, "reading " + name);
            return false;
        }
        // Each piece from the line after the one its share starts in.
        std::vector<std::size_t> from(n + 1, size);
        from[0] = 0;
        for (unsigned i = 1; i < n; ++i) {
            const std::size_t at = std::max(from[i - 1], size * i / n);
            const void* nl = at < size ? std::memchr(text_.data() + at, '\n', size - at) : nullptr;
            from[i] = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text_.data()) + 1 : size;
        }
        pieces_.assign(n, Entries());
        std::vector<std::size_t> ends(n, 0);
        OnThreads(n, [&](unsigned i) {
            pieces_[i].reserve((from[i + 1] - from[i]) / kBytesPerLine);
            ends[i] = IndexInto(pieces_[i], from[i], from[i + 1]);
            std::sort(pieces_[i].begin(), pieces_[i].end(), Order());
        });
        for (unsigned i = 0; i < n; ++i)
            if (from[i + 1] > from[i]) line_start_ = ends[i];
        return true;
    }
    // At the end of the input a last line without LF is a line too.
    void Finish() {
        if (line_start_ < text_.size()) {
            Add(entries_, line_start_, text_.size());
            line_start_ = text_.size();
        }
    }
    std::size_t Memory() const { return text_.size() + Lines() * sizeof(Entry); }
    bool HasLines() const { return Lines() > 0; }
    std::size_t Lines() const {
        std::size_t n = entries_.size();
        for (const Entries& p : pieces_) n += p.size();
        return n;
    }
    void Reserve(std::size_t bytes) {
        text_.reserve(bytes);
        entries_.reserve(bytes / 64);
    }

    // Sorts the lines: pieces of them side by side, then merged.
    void Sort() {
        const LineOrder before = Order();
        const std::size_t total = Lines();
        const unsigned n = ThreadsFor(total);
        if (n <= 1 && pieces_.empty()) {
            std::sort(entries_.begin(), entries_.end(), before);
            return;
        }
        std::vector<Span> spans;
        for (const Entries& p : pieces_) spans.push_back({p.data(), p.data() + p.size()});
        // Lines indexed one read at a time, in pieces of their own.
        const unsigned k = std::max(1u, ThreadsFor(entries_.size()));
        std::vector<std::size_t> bounds(k + 1);
        for (unsigned i = 0; i <= k; ++i) bounds[i] = entries_.size() * i / k;
        OnThreads(k, [&](unsigned i) {
            std::sort(entries_.begin() + static_cast<std::ptrdiff_t>(bounds[i]),
                      entries_.begin() + static_cast<std::ptrdiff_t>(bounds[i + 1]), before);
        });
        for (unsigned i = 0; i < k; ++i) spans.push_back({entries_.data() + bounds[i], entries_.data() + bounds[i + 1]});
        Entries merged(total);
        MergeSpans(spans, merged.data(), total, before);
        entries_.swap(merged);
        pieces_.clear();
    }
    void WriteTo(Writer& w) const {
        for (const Entry& e : entries_) w.Line({text_.data() + e.off, e.len});
    }
    // Writes the sorted lines into the file from its start, pieces of them
    // side by side, each at its own place; returns 0 or the errno of a failure.
    int WriteAt(int fd) const {
        const unsigned n = ThreadsFor(entries_.size());
        std::vector<std::size_t> bounds(n + 1), place(n + 1, 0);
        for (unsigned i = 0; i <= n; ++i) bounds[i] = entries_.size() * i / n;
        OnThreads(n, [&](unsigned i) {
            std::size_t bytes = 0;
            for (std::size_t k = bounds[i]; k < bounds[i + 1]; ++k) bytes += entries_[k].len + 1;
            place[i + 1] = bytes;
        });
        for (unsigned i = 0; i < n; ++i) place[i + 1] += place[i];
        std::vector<int> errors(n, 0);
        OnThreads(n, [&](unsigned i) {
            std::string buf;
            buf.reserve(kWriteBlock);
            off_t at = static_cast<off_t>(place[i]);
            const auto put = [&](const char* p, std::size_t len) {
                while (len > 0 && errors[i] == 0) {
                    const ssize_t w = ::pwrite(fd, p, len, at);
                    if (w < 0) {
                        if (errno != EINTR) errors[i] = errno;
                        continue;
                    }
                    p += w;
                    len -= static_cast<std::size_t>(w);
                    at += w;
                }
            };
            for (std::size_t k = bounds[i]; k < bounds[i + 1] && errors[i] == 0; ++k) {
                const Entry& e = entries_[k];
                if (buf.size() + e.len + 1 > kWriteBlock) {
                    put(buf.data(), buf.size());
                    buf.clear();
                }
                if (e.len + 1 > kWriteBlock) {
                    put(text_.data() + e.off, e.len);
                    put("\n", 1);
                    continue;
                }
                buf.append(text_.data() + e.off, e.len);
                buf.push_back('\n');
            }
            put(buf.data(), buf.size());
        });
        for (int e : errors)
            if (e != 0) return e;
        return 0;
    }
    // Drops the indexed lines, keeping an unfinished one.
    void Clear() {
        text_.erase(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(line_start_));
        line_start_ = 0;
        entries_.clear();
        pieces_.clear();
    }

private:
    // Line order: the first 16 bytes decide most comparisons, then the rest,
    // then the length.
    struct LineOrder {
        const char* t;
        bool operator()(const Entry& a, const Entry& b) const {
            if (a.prefix[0] != b.prefix[0]) return a.prefix[0] < b.prefix[0];
            if (a.prefix[1] != b.prefix[1]) return a.prefix[1] < b.prefix[1];
            if (a.len <= 16 || b.len <= 16) return a.len < b.len;
            return Less({t + a.off + 16, a.len - 16}, {t + b.off + 16, b.len - 16});
        }
    };
    LineOrder Order() const { return {text_.data()}; }

    void Add(Entries& out, std::size_t off, std::size_t end) const {
        const char* p = text_.data() + off;
        out.push_back({{PrefixOf(p, end - off, 0), PrefixOf(p, end - off, 8)}, off, end - off});
    }
    // The lines that end with an LF in [from, to), into `out`; returns where
    // the line after them starts.
    std::size_t IndexInto(Entries& out, std::size_t from, std::size_t to) const {
        std::size_t start = from;
        for (;;) {
            const void* nl = start < to ? std::memchr(text_.data() + start, '\n', to - start) : nullptr;
            if (!nl) return start;
            const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(nl) - text_.data());
            Add(out, start, end);
            start = end + 1;
        }
    }

    std::vector<char, Uninitialised<char>> text_;
    Entries entries_;  // lines indexed one read at a time; after Sort, every line in order
    std::vector<Entries> pieces_;  // lines read whole, each piece sorted
    std::size_t line_start_ = 0;
};

// A run on disk: made unlinked, so nothing stays behind whatever happens.
Fd NewRun(const std::string& folder) {
    std::string tmpl = folder + "sortrun-XXXXXX";
    Fd fd(::mkostemp(tmpl.data(), O_CLOEXEC));
    if (fd.get() < 0) Fail(errno, "creating a sort run in " + folder);
    ::unlink(tmpl.c_str());
    return fd;
}

class RunReader {
public:
    explicit RunReader(Fd fd) : fd_(std::move(fd)) {
        if (::lseek(fd_.get(), 0, SEEK_SET) < 0) Fail(errno, "rewinding a sort run");
        buf_.resize(kReadBlock);
    }
    // The next line, valid until the next call; false at the end.
    bool Next(std::string_view& line) {
        for (;;) {
            const void* nl = pos_ < end_ ? std::memchr(buf_.data() + pos_, '\n', end_ - pos_) : nullptr;
            if (nl) {
                const std::size_t e = static_cast<std::size_t>(static_cast<const char*>(nl) - buf_.data());
                line = {buf_.data() + pos_, e - pos_};
                pos_ = e + 1;
                return true;
            }
            // keep the partial line, make room, read on
            std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
            end_ -= pos_;
            pos_ = 0;
            if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);
            const std::size_t n = ReadSome(fd_.get(), buf_.data() + end_, buf_.size() - end_, "a sort run");
            if (n == 0) return false;  // runs always end in LF
            end_ += n;
        }
    }

private:
    Fd fd_;
    std::vector<char> buf_;
    std::size_t pos_ = 0, end_ = 0;
};

std::size_t Merge(std::vector<Fd>& runs, Writer& out) {
    std::vector<std::unique_ptr<RunReader>> readers;
    std::vector<std::string_view> heads(runs.size());
    for (Fd& r : runs) readers.push_back(std::make_unique<RunReader>(std::move(r)));
    runs.clear();
    auto greater = [&heads](std::size_t a, std::size_t b) { return Less(heads[b], heads[a]); };
    std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(greater)> queue(greater);
    for (std::size_t i = 0; i < readers.size(); ++i)
        if (readers[i]->Next(heads[i])) queue.push(i);
    std::size_t lines = 0;
    while (!queue.empty()) {
        const std::size_t i = queue.top();
        queue.pop();
        out.Line(heads[i]);
        ++lines;
        if (readers[i]->Next(heads[i])) queue.push(i);
    }
    return lines;
}

}  // namespace

SortResult SortLines(const std::string& input, const std::string& output, const SortOptions& options) {
    SortResult result;
    std::string temp_name;
    try {
        Fd in(::open(input.c_str(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0) Fail(errno, "opening " + input);

        std::string folder = options.scratch_folder;
        if (!folder.empty() && folder.back() != '/') folder += '/';
        const std::size_t budget = std::max<std::size_t>(options.memory_budget, 1);

        Batch batch;
        std::vector<Fd> runs;
        const auto spill_when_full = [&] {
            if (batch.Memory() >= budget && batch.HasLines()) {
                if (folder.empty()) {
                    folder = PrivateTempFolder();
                    if (folder.empty()) Fail(errno, "creating the scratch folder");
                }
                batch.Sort();
                runs.push_back(NewRun(folder));
                Writer w(runs.back().get(), "a sort run");
                batch.WriteTo(w);
                w.Flush();
                batch.Clear();
                ++result.runs;
            }
        };
        // A file that fits is read whole; more of it, if it grew, as below.
        struct stat st {};
        if (::fstat(in.get(), &st) == 0 && st.st_size > 0 && static_cast<std::size_t>(st.st_size) < budget) {
            const auto size = static_cast<std::size_t>(st.st_size);
            batch.Reserve(size + 1);
            if (batch.ReadWhole(in.get(), size, input)) spill_when_full();
        }
        const std::size_t block = std::min(kReadBlock, std::max<std::size_t>(budget, 4096));
        while (batch.ReadFrom(in.get(), block, input) > 0) spill_when_full();
        in.reset();
        batch.Finish();
        batch.Sort();

        // Merge in rounds while there are more runs than can be open at once.
        while (runs.size() + 1 > kFanIn) {
            std::vector<Fd> group;
            for (std::size_t i = 0; i < kFanIn; ++i) group.push_back(std::move(runs[i]));
            runs.erase(runs.begin(), runs.begin() + kFanIn);
            Fd merged = NewRun(folder);
            Writer w(merged.get(), "a sort run");
            Merge(group, w);
            w.Flush();
            runs.push_back(std::move(merged));
        }

        temp_name = output + ".tmp~XXXXXX";
        Fd out(::mkostemp(temp_name.data(), O_CLOEXEC));
        if (out.get() < 0) {
            const int e = errno;
            temp_name.clear();
            Fail(e, "creating " + output);
        }
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(out.get(), 0666 & ~mask);
        Writer w(out.get(), output);
        if (runs.empty()) {
            if (const int e = batch.WriteAt(out.get())) Fail(e, "writing " + output);
            result.lines = batch.Lines();
        } else {
            if (batch.HasLines()) {
                runs.push_back(NewRun(folder));
                Writer rw(runs.back().get(), "a sort run");
                batch.WriteTo(rw);
                rw.Flush();
                ++result.runs;
            }
            result.lines = Merge(runs, w);
        }
        w.Flush();
        if (::close(out.release()) != 0) Fail(errno, "writing " + output);
        if (::rename(temp_name.c_str(), output.c_str()) != 0) Fail(errno, "renaming into " + output);
        result.ok = true;
    } catch (const Failure& f) {
        if (!temp_name.empty()) ::unlink(temp_name.c_str());
        result.ok = false;
        result.error = f.error;
        result.error_text = f.text;
    } catch (const std::bad_alloc&) {
        if (!temp_name.empty()) ::unlink(temp_name.c_str());
        result.ok = false;
        result.error = ENOMEM;
        result.error_text = "sorting " + input + ": out of memory";
    }
    return result;
}

}  // namespace shell
