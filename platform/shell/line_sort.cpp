#include "platform/shell/line_sort.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <queue>
#include <string_view>
#include <vector>

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

class Batch {
public:
    // Appends bytes read and indexes the lines they complete.
    void Append(const char* p, std::size_t n) {
        const std::size_t from = text_.size();
        text_.append(p, n);
        std::size_t pos = from;
        for (;;) {
            const void* nl = std::memchr(text_.data() + pos, '\n', text_.size() - pos);
            if (!nl) break;
            const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(nl) - text_.data());
            Add(line_start_, end - line_start_);
            line_start_ = end + 1;
            pos = end + 1;
        }
    }
    // At the end of the input a last line without LF is a line too.
    void Finish() {
        if (line_start_ < text_.size()) {
            Add(line_start_, text_.size() - line_start_);
            line_start_ = text_.size();
        }
    }
    std::size_t Memory() const { return text_.size() + entries_.size() * sizeof(Entry); }
    bool HasLines() const { return !entries_.empty(); }
    std::size_t Lines() const { return entries_.size(); }
    void Reserve(std::size_t bytes) {
        text_.reserve(bytes);
        entries_.reserve(bytes / 64);
    }

    void Sort() {
        const char* t = text_.data();
        std::sort(entries_.begin(), entries_.end(), [t](const Entry& a, const Entry& b) {
            if (a.prefix[0] != b.prefix[0]) return a.prefix[0] < b.prefix[0];
            if (a.prefix[1] != b.prefix[1]) return a.prefix[1] < b.prefix[1];
            // equal prefixes: the rest decides, then the length
            if (a.len <= 16 || b.len <= 16) return a.len < b.len;
            return Less({t + a.off + 16, a.len - 16}, {t + b.off + 16, b.len - 16});
        });
    }
    void WriteTo(Writer& w) const {
        for (const Entry& e : entries_) w.Line({text_.data() + e.off, e.len});
    }
    // Drops the indexed lines, keeping an unfinished one.
    void Clear() {
        text_.erase(0, line_start_);
        line_start_ = 0;
        entries_.clear();
    }

private:
    void Add(std::size_t off, std::size_t len) {
        const char* p = text_.data() + off;
        entries_.push_back({{PrefixOf(p, len, 0), PrefixOf(p, len, 8)}, off, len});
    }
    std::string text_;
    std::vector<Entry> entries_;
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
        struct stat st {};
        if (::fstat(in.get(), &st) == 0 && st.st_size > 0 && static_cast<std::size_t>(st.st_size) < budget)
            batch.Reserve(static_cast<std::size_t>(st.st_size) + 1);
        std::vector<Fd> runs;
        std::vector<char> block(std::min(kReadBlock, std::max<std::size_t>(budget, 4096)));
        for (;;) {
            const std::size_t n = ReadSome(in.get(), block.data(), block.size(), input);
            if (n == 0) break;
            batch.Append(block.data(), n);
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
        }
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
            batch.WriteTo(w);
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
