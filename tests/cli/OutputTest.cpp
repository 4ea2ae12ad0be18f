// SPDX-License-Identifier: MIT
#include "cli/Output.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>

namespace tervane::cli {
namespace {

class OutputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::signal(SIGPIPE, SIG_IGN); // as the program does: a closed reader is an error code, not a signal
        ASSERT_EQ(::pipe2(m_pipe.data(), O_CLOEXEC), 0);
        ASSERT_EQ(::fcntl(m_pipe[0], F_SETFL, O_NONBLOCK), 0);
    }
    void TearDown() override
    {
        for (int fd : m_pipe) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    std::string readAvailable() const
    {
        std::array<char, 4096> buffer{};
        const ssize_t n = ::read(m_pipe[0], buffer.data(), buffer.size());
        return n > 0 ? std::string(buffer.data(), static_cast<std::size_t>(n)) : std::string();
    }

    std::array<int, 2> m_pipe{-1, -1};
};

TEST_F(OutputTest, BlockBufferedHoldsLinesUntilFlushed)
{
    Output out(m_pipe[1], -1, /*lineBuffered=*/false);
    out.write("one\n");
    EXPECT_EQ(readAvailable(), "");
    EXPECT_TRUE(out.flush());
    EXPECT_EQ(readAvailable(), "one\n");
}

TEST_F(OutputTest, LineBufferedWritesEachLine)
{
    Output out(m_pipe[1], -1, /*lineBuffered=*/true);
    out.write("one\n");
    EXPECT_EQ(readAvailable(), "one\n");
}

TEST_F(OutputTest, ReaderGoneClosesWithoutFailing)
{
    Output out(m_pipe[1], -1, /*lineBuffered=*/false);
    ::close(m_pipe[0]);
    m_pipe[0] = -1;
    out.write("one\n");
    EXPECT_FALSE(out.flush());
    EXPECT_EQ(out.state(), Output::State::Closed);
    EXPECT_EQ(out.error().value(), EPIPE);
}

// The promise that lets a signal end the program while its reader has stopped reading.
TEST_F(OutputTest, InterruptEndsAWriteTheReaderDoesNotTake)
{
    const int interrupt = ::eventfd(1, EFD_CLOEXEC);
    ASSERT_GE(interrupt, 0);
    Output out(m_pipe[1], interrupt, /*lineBuffered=*/false);
    const std::string line(1000, 'x');
    for (int i = 0; i < 2000; ++i) { // far more than a pipe holds
        out.write(line + "\n");
    }
    EXPECT_FALSE(out.flush());
    EXPECT_EQ(out.state(), Output::State::Open);
    EXPECT_TRUE(out.pending());
    ::close(interrupt);
}

} // namespace
} // namespace tervane::cli
