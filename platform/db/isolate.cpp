#include "platform/db/isolate.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

namespace db::detail {

namespace {

// The child writes one 'p' per step of progress, then 'K' for success or 'E'
// followed by the reason for failure.
constexpr char kProgress = 'p';
constexpr char kDone = 'K';
constexpr char kFailed = 'E';

void write_all(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

std::string last_line(const std::string& text) {
    std::size_t end = text.find_last_not_of(" \t\r\n");
    if (end == std::string::npos) return "";
    std::size_t start = text.find_last_of('\n', end);
    start = start == std::string::npos ? 0 : start + 1;
    std::string line = text.substr(start, end - start + 1);
    if (line.size() > 200) line = line.substr(0, 200) + "...";
    return line;
}

}  // namespace

std::string run_isolated(const std::function<std::string(const std::function<void()>& progress)>& work,
                         std::chrono::milliseconds stall_limit, std::size_t memory_limit) {
    int proto[2], err[2];
    if (::pipe2(proto, O_CLOEXEC) != 0) return std::string("cannot start the reader: ") + std::strerror(errno);
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(proto[0]);
        ::close(proto[1]);
        return std::string("cannot start the reader: ") + std::strerror(errno);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = ::fork();
    if (pid < 0) {
        int e = errno;
        for (int fd : {proto[0], proto[1], err[0], err[1]}) ::close(fd);
        return std::string("cannot start the reader: ") + std::strerror(e);
    }
    if (pid == 0) {
        ::close(proto[0]);
        ::close(err[0]);
        ::dup2(err[1], 2);
        ::signal(SIGPIPE, SIG_IGN);
        if (!kAddressSanitizer && memory_limit > 0) {
            rlimit lim{memory_limit, memory_limit};
            ::setrlimit(RLIMIT_AS, &lim);
        }
        const int fd = proto[1];
        std::string result;
        try {
            result = work([fd] { write_all(fd, &kProgress, 1); });
        } catch (const std::bad_alloc&) {
            result = "the file could not be read: the reader ran out of memory";
        } catch (const std::exception& e) {
            result = *e.what() ? e.what() : "failed";
        } catch (...) {
            result = "failed";
        }
        std::string msg(1, result.empty() ? kDone : kFailed);
        msg += result;
        write_all(fd, msg.data(), msg.size());
        // No exit handlers: the parent's state is not ours to tidy up.
        ::_exit(result.empty() ? 0 : 1);
    }
    ::close(proto[1]);
    ::close(err[1]);

    std::string message, errors;
    bool have_result = false, stalled = false;
    bool proto_open = true, err_open = true;
    auto deadline = std::chrono::steady_clock::now() + stall_limit;
    char buf[4096];
    while (proto_open || err_open) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            stalled = true;
            break;
        }
        pollfd fds[2];
        int n = 0;
        if (proto_open) fds[n++] = {proto[0], POLLIN, 0};
        if (err_open) fds[n++] = {err[0], POLLIN, 0};
        int r = ::poll(fds, static_cast<nfds_t>(n), static_cast<int>(left.count()));
        if (r < 0) {
            if (errno == EINTR) continue;
            stalled = true;
            break;
        }
        for (int k = 0; k < n; ++k) {
            if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t got = ::read(fds[k].fd, buf, sizeof buf);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                (fds[k].fd == proto[0] ? proto_open : err_open) = false;
                continue;
            }
            if (fds[k].fd == err[0]) {
                errors.append(buf, static_cast<std::size_t>(got));
                if (errors.size() > 8192) errors.erase(0, errors.size() - 4096);
                continue;
            }
            for (ssize_t b = 0; b < got; ++b) {
                if (have_result)
                    message += buf[b];
                else if (buf[b] == kProgress)
                    deadline = std::chrono::steady_clock::now() + stall_limit;
                else {
                    have_result = true;
                    message += buf[b];
                }
            }
        }
    }
    ::close(proto[0]);
    ::close(err[0]);
    if (stalled) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }

    std::string hint = last_line(errors);
    auto with_hint = [&](std::string s) { return hint.empty() ? s : s + " (" + hint + ")"; };
    if (stalled) {
        char secs[32];
        std::snprintf(secs, sizeof secs, "%.1f", static_cast<double>(stall_limit.count()) / 1000.0);
        return with_hint(std::string("the file could not be read: no progress for ") + secs + " s, reading stopped");
    }
    if (have_result && message[0] == kDone && WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
    if (have_result && message[0] == kFailed) return message.size() > 1 ? message.substr(1) : "failed";
    if (WIFSIGNALED(status))
        return with_hint(std::string("the file could not be read: the reader crashed (") +
                         ::strsignal(WTERMSIG(status)) + ")");
    return with_hint("the file could not be read: the reader stopped unexpectedly (exit status " +
                     std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")");
}

}  // namespace db::detail
