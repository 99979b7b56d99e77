// Diagnostic lines: whole lines on standard output by default, whole lines
// in a redirect while one lives, never a mixed line from two threads.
#include "platform/console.h"
#include "platform/line_redirect.h"
#include "stdout_capture.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tamo::test {
namespace {

using namespace std::string_literals;

// Short lines, many of them: the more often a line is begun, the more
// chances the other thread has to come between its parts. What one thread
// prints can be told from the other's by every byte.
constexpr std::size_t kLineLength = 8;
constexpr int kLinesPerThread = 100000;

void printFromTwoThreadsAtOnce(const std::string& first, const std::string& second) {
    // Both start together, or the first could be done before the second
    // has begun.
    std::atomic<int> ready{0};
    auto print = [&ready](const std::string& line) {
        ++ready;
        while (ready.load() < 2) {
        }
        for (int i = 0; i < kLinesPerThread; ++i) printLine(line);
    };
    std::thread one(print, std::cref(first));
    std::thread two(print, std::cref(second));
    one.join();
    two.join();
}

// Every line is one thread's line, whole, and each thread's lines all came.
void expectOnlyWholeLines(const std::vector<std::string>& lines, const std::string& first, const std::string& second) {
    int firsts = 0;
    int seconds = 0;
    for (const std::string& line : lines) {
        if (line == first) {
            ++firsts;
        } else if (line == second) {
            ++seconds;
        } else {
            ADD_FAILURE() << "a mixed line of " << line.size() << " bytes";
            return;
        }
    }
    EXPECT_EQ(firsts, kLinesPerThread);
    EXPECT_EQ(seconds, kLinesPerThread);
}

TEST(LineOutput, ByDefaultALineGoesToStandardOutputByteForByte) {
    StdoutCapture out;
    printLine("Cannot find the key:NUM_OF_CONFIG");
    printLine("with a NUL \0 and a CR \r inside"s);
    printLine("");
    EXPECT_EQ(out.text(), "Cannot find the key:NUM_OF_CONFIG\nwith a NUL \0 and a CR \r inside\n\n"s);
}

TEST(LineOutput, LinesOfTwoThreadsOnStandardOutputNeverMix) {
    const std::string first(kLineLength, 'a');
    const std::string second(kLineLength, 'b');
    StdoutCapture out;
    printFromTwoThreadsAtOnce(first, second);
    expectOnlyWholeLines(out.lines(), first, second);
}

TEST(LineOutput, LinesOfTwoThreadsInARedirectNeverMix) {
    const std::string first(kLineLength, 'a');
    const std::string second(kLineLength, 'b');
    LineRedirect out;
    printFromTwoThreadsAtOnce(first, second);
    expectOnlyWholeLines(out.lines(), first, second);
}

TEST(LineOutput, ARedirectTakesTheLinesAwayFromStandardOutput) {
    StdoutCapture stdoutText;
    std::string redirected;
    {
        LineRedirect out;
        printLine("first");
        printWideLine(L"second\r\n");
        redirected = out.text();
    }
    printLine("after");
    EXPECT_EQ(redirected, "first\nsecond\r\n\n");
    EXPECT_EQ(stdoutText.text(), "after\n");
}

TEST(LineOutput, RedirectsNestAndTheEndOfOneRestoresTheOneBefore) {
    LineRedirect outer;
    printLine("outer 1");
    {
        LineRedirect inner;
        printLine("inner");
        EXPECT_EQ(inner.lines(), std::vector<std::string>{"inner"});
    }
    printLine("outer 2");
    EXPECT_EQ(outer.lines(), (std::vector<std::string>{"outer 1", "outer 2"}));
}

// Hands each line on instead of keeping it.
class LineList : public LineRedirect {
public:
    std::vector<std::string> received;

protected:
    void receive(std::string_view line) override { received.emplace_back(line); }
};

TEST(LineOutput, AReceiverGetsEachLineAsItComes) {
    LineList out;
    printLine("one");
    printLine("two");
    EXPECT_EQ(out.received, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(out.text(), "");
}

#if !defined(_WIN32)
// A process that ends abruptly, or writes to the same descriptor by other
// means, must still find each line there: printLine does not return with
// the line in a buffer.
TEST(LineOutput, ALineHasReachedTheDescriptorWhenPrintLineReturns) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    std::fflush(stdout);
    int savedStdout = dup(STDOUT_FILENO);
    dup2(pipeEnds[1], STDOUT_FILENO);
    printLine("flushed");
    pollfd readable{pipeEnds[0], POLLIN, 0};
    bool arrived = poll(&readable, 1, 0) == 1;
    std::string received(64, '\0');
    ssize_t count = arrived ? read(pipeEnds[0], received.data(), received.size()) : 0;
    std::fflush(stdout);  // whatever a faulty printLine left buffered goes to the pipe, not the console
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    ASSERT_TRUE(arrived) << "the line is still in the C library's buffer";
    received.resize(static_cast<std::size_t>(count));
    EXPECT_EQ(received, "flushed\n");
}

// A line, however long, is one write: a reader of a pipe shared with other
// processes never finds another's output inside it. A sequenced-packet
// socket keeps each write a message of its own, so the writes can be
// counted; what the stream held before goes out first, on its own.
TEST(LineOutput, ALineOfAnyLengthIsOneWrite) {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends), 0);
    std::fflush(stdout);
    int savedStdout = dup(STDOUT_FILENO);
    dup2(ends[1], STDOUT_FILENO);
    const std::vector<std::string> lines = {"short", std::string(10 * 1024, 'x'), std::string(64 * 1024, 'y'), ""};
    std::vector<std::string> messages;
    std::fputs("held by the stream", stdout);
    for (const std::string& line : lines) printLine(line);
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    close(ends[1]);
    std::string message(128 * 1024, '\0');
    for (ssize_t got; (got = recv(ends[0], message.data(), message.size(), 0)) > 0;) {
        messages.emplace_back(message.data(), static_cast<std::size_t>(got));
    }
    close(ends[0]);
    ASSERT_EQ(messages.size(), lines.size() + 1);
    EXPECT_EQ(messages[0], "held by the stream");
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(messages[i + 1], lines[i] + "\n") << i;
}
#endif

}  // namespace
}  // namespace tamo::test
