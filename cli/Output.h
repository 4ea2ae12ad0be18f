// SPDX-License-Identifier: MIT
#pragma once
// The companion's standard output: whole lines, buffered, written so that a reader who stops reading can
// never keep a signal from ending the program. Main thread only.

#include <string>
#include <string_view>
#include <system_error>

namespace tervane::cli {

class Output
{
public:
    enum class State
    {
        Open,
        Closed, ///< the reader went away (EPIPE); nothing more can be written, and that is no error
        Failed, ///< a write failed for another reason (error() says why)
    };

    /// `interruptFd` (may be -1) is a descriptor that becomes readable when the program should stop; a
    /// write that would block gives up when it does. With `lineBuffered`, every line is written at once.
    Output(int fd, int interruptFd, bool lineBuffered);

    /// Queues one complete line; writes the buffer when line-buffered or when it has grown large.
    void write(std::string_view line);

    /// Writes everything queued. Returns false when it could not (state() or an interrupt says why);
    /// what was not written stays queued.
    bool flush();

    [[nodiscard]] bool pending() const { return !m_buffer.empty(); }
    [[nodiscard]] State state() const { return m_state; }
    [[nodiscard]] const std::error_code& error() const { return m_error; }

private:
    int m_fd;
    int m_interruptFd;
    bool m_lineBuffered;
    bool m_mayBlock; // false for a regular file, which needs no readiness check
    State m_state = State::Open;
    std::error_code m_error;
    std::string m_buffer;
};

} // namespace tervane::cli
