// SPDX-License-Identifier: MIT
#include "cli/Output.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tervane::cli {

namespace {

// Into pipes the output goes in blocks; past this much it is written even while changes keep coming.
constexpr std::size_t kBlockSize = std::size_t{64} * 1024;

} // namespace

Output::Output(int fd, int interruptFd, bool lineBuffered)
    : m_fd(fd), m_interruptFd(interruptFd), m_lineBuffered(lineBuffered)
{
    struct stat st
    {
    };
    m_mayBlock = ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode);
    m_buffer.reserve(kBlockSize + 4096);
}

void Output::write(std::string_view line)
{
    if (m_state != State::Open) {
        return;
    }
    m_buffer += line;
    if (m_lineBuffered || m_buffer.size() >= kBlockSize) {
        flush();
    }
}

bool Output::flush()
{
    std::size_t done = 0;
    while (done < m_buffer.size() && m_state == State::Open) {
        std::size_t chunk = m_buffer.size() - done;
        if (m_mayBlock) {
            // A blocking write to a reader who has stopped reading would also block the signal that is
            // meant to end us, so wait for room or for the interrupt, whichever comes first, and write
            // no more than a pipe takes whole once it reports room.
            std::array<pollfd, 2> fds{{{m_fd, POLLOUT, 0}, {m_interruptFd, POLLIN, 0}}};
            const nfds_t count = m_interruptFd >= 0 ? 2 : 1;
            if (::poll(fds.data(), count, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                m_state = State::Failed;
                m_error = {errno, std::generic_category()};
                break;
            }
            if (fds[0].revents == 0) {
                break; // interrupted while the reader makes no room
            }
            chunk = std::min<std::size_t>(chunk, PIPE_BUF);
        }
        const ssize_t written = ::write(m_fd, m_buffer.data() + done, chunk);
        if (written < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            m_state = errno == EPIPE ? State::Closed : State::Failed;
            m_error = {errno, std::generic_category()};
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    m_buffer.erase(0, done);
    if (m_state != State::Open) {
        m_buffer.clear();
    }
    return m_buffer.empty() && m_state == State::Open;
}

} // namespace tervane::cli
