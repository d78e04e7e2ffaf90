// The process module with a real child: this test program started again in a helper role.
// Both pipes fed while the child reads them in its own order, arguments that must arrive
// byte for byte, a program that is not there, a child that ends early, and a kill; on Windows
// a child kept off our console whose output still shows there.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/portable.h"
#include "support/temp_dir.h"

#if defined(_WIN32)
#include "platform/windows_api.h"
#include <shellapi.h>
#endif

namespace {
using Clock = std::chrono::steady_clock;

// Stream k's byte i: a pattern that shows any byte lost, doubled or swapped between pipes.
unsigned char patternByte(int stream, size_t i) { return static_cast<unsigned char>((i * 7 + stream * 101) % 251); }

std::vector<unsigned char> pattern(int stream, size_t size) {
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = patternByte(stream, i);
    return bytes;
}

// ---- the helper role ------------------------------------------------------------------------

// The arguments as the system handed them over: on Windows the UTF-16 command line split by
// the C runtime's rules (argv there is in the ANSI code page and loses what it cannot spell).
std::vector<std::string> childArguments(int argc, char** argv) {
#if defined(_WIN32)
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
        if (size > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &text[0], size, nullptr, nullptr);
        args.push_back(text);
    }
    LocalFree(wide);
    return args;
#else
    return std::vector<std::string>(argv, argv + argc);
#endif
}

// Reads a whole pipe and checks it against the pattern; 0 when exact.
int readStream(const std::string& name, int stream, size_t expected) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file) return 10 + stream;
    std::vector<unsigned char> buffer(65536);
    size_t total = 0;
    int wrong = 0;
    for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0; total += n)
        for (size_t i = 0; i < n; ++i)
            if (buffer[i] != patternByte(stream, total + i)) wrong = 1;
    std::fclose(file);
    return wrong || total != expected ? 20 + stream : 0;
}

// args: --child MODE ...; the exit status tells the parent what the child saw.
int runChild(const std::vector<std::string>& args) {
    const std::string& mode = args[2];
    if (mode == "read" && args.size() == 8) {
        // read PIPE0 PIPE1 SIZE0 SIZE1 FIRST: the whole of pipe FIRST, then the other.
        const int first = std::atoi(args[7].c_str());
        for (int stream : {first, 1 - first}) {
            const int result = readStream(args[3 + stream], stream, std::strtoull(args[5 + stream].c_str(), nullptr, 10));
            if (result) return result;
        }
        return 0;
    }
    if (mode == "args" && args.size() >= 4) {
        std::ofstream out(args[3], std::ios::binary);
        for (size_t i = 4; i < args.size(); ++i) out << args[i] << '\0';
        return out.good() ? 0 : 2;
    }
    if (mode == "exit" && args.size() == 4) return std::atoi(args[3].c_str());
    if (mode == "sleep" || (mode == "say" && args.size() == 4)) {  // say TEXT: on standard error first
        if (mode == "say") std::fputs(args[3].c_str(), stderr), std::fflush(stderr);
        std::this_thread::sleep_for(std::chrono::seconds(60));
        return 0;
    }
    return 99;
}

// ---- the parent side ------------------------------------------------------------------------

// A child freed however the test ends.
using Child = std::unique_ptr<PlatformChild, void (*)(PlatformChild*)>;

Child startChild(int pipes, const std::vector<std::string>& extra) {
    const size_t buffers[2] = {1 << 20, 1 << 16};
    Child child(platformCreateChild(pipes, buffers), platformFreeChild);
    if (!child) return child;
    std::vector<std::string> args = {testProgramPath(), "--child"};
    args.insert(args.end(), extra.begin(), extra.end());
    for (std::string& arg : args)
        if (arg == "PIPE0" || arg == "PIPE1") arg = platformChildPipeName(child.get(), arg == "PIPE0" ? 0 : 1);
    if (!platformStartChild(child.get(), args)) child.reset();
    return child;
}

// Writes both streams whole, each whenever its pipe takes bytes, never waiting on one pipe
// alone, and closes each when done. False when a write fails or 30 s pass.
bool feed(const Child& child, const std::vector<unsigned char> (&streams)[2]) {
    size_t sent[2] = {0, 0};
    int open[2] = {1, 1};
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
    while (open[0] || open[1]) {
        if (Clock::now() > deadline) return false;
        int ready[2] = {0, 0};
        if (platformWaitChildPipes(child.get(), open, 500, ready) < 0) return false;
        for (int i = 0; i < 2; ++i) {
            if (!open[i] || !ready[i]) continue;
            const long n =
                platformWriteChildPipe(child.get(), i, streams[i].data() + sent[i], streams[i].size() - sent[i]);
            if (n < 0) return false;
            sent[i] += static_cast<size_t>(n);
            if (sent[i] == streams[i].size()) {
                platformCloseChildPipe(child.get(), i);
                open[i] = 0;
            }
        }
    }
    return true;
}

int waitForEnd(const Child& child, PlatformChildEnd* end) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
    for (;;) {
        const int state = platformPollChild(child.get(), end);
        if (state != 0 || Clock::now() > deadline) return state;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The child reads one whole stream before it touches the other: a parent that waited on
// either pipe alone, or blocked in a write, would hang here, in both orders.
TEST(ChildProcess, BothPipesArriveExactlyWhicheverTheChildReadsFirst) {
    for (const char* first : {"0", "1"}) {
        SCOPED_TRACE(std::string("child reads pipe ") + first + " first");
        const std::vector<unsigned char> streams[2] = {pattern(0, 6 << 20), pattern(1, 3 << 20)};
        const Child child = startChild(
            2, {"read", "PIPE0", "PIPE1", std::to_string(streams[0].size()), std::to_string(streams[1].size()), first});
        ASSERT_NE(child, nullptr);
        EXPECT_TRUE(feed(child, streams));
        PlatformChildEnd end;
        ASSERT_EQ(waitForEnd(child, &end), 1);
        EXPECT_EQ(end.exited, 1);
        EXPECT_EQ(end.code, 0) << "10+k: pipe k would not open; 20+k: pipe k's bytes differ";
        // Kilobytes, whatever unit the system counts in: a program is more than 100 KB and
        // far less than 10 GB.
        EXPECT_GT(end.peakResidentKb, 100);
        EXPECT_LT(end.peakResidentKb, 10L * 1024 * 1024);
        EXPECT_GE(end.cpuSeconds, 0.0);
    }
}

TEST(ChildProcess, ArgumentsArriveByteForByte) {
    TempDir dir;
    const std::vector<std::string> sent = {
        "plain", "two words", "", " ", "\"quoted\"", "a\\b", "trailing\\", "back\\\\\"quote", "tab\there",
        "\\\\server\\share\\", "caf\xc3\xa9", "\xe6\x97\xa5\xe6\x9c\xac", "\xf0\x9f\x8e\xac", "-x.mkv", "a;b&c|d"};
    std::vector<std::string> args = {"args", dir.file("args.out")};
    args.insert(args.end(), sent.begin(), sent.end());
    const Child child = startChild(0, args);
    ASSERT_NE(child, nullptr);
    PlatformChildEnd end;
    ASSERT_EQ(waitForEnd(child, &end), 1);
    EXPECT_EQ(end.code, 0);

    const std::vector<unsigned char> text = readFile(dir.file("args.out"));
    std::vector<std::string> received;
    for (auto start = text.begin(), nul = start; (nul = std::find(start, text.end(), '\0')) != text.end(); start = nul + 1)
        received.emplace_back(start, nul);
    EXPECT_EQ(received, sent);
}

TEST(ChildProcess, AMissingProgramIsNotFoundAndNotStarted) {
    TempDir dir;
    // A plain file of the name, not a program: no search may take it.
    std::ofstream(dir.file("quorvex-no-such-tool")) << "not a program\n";
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath ? oldPath : "";
    setTestEnvironment("PATH", dir.path);
    EXPECT_EQ(platformFindProgram("quorvex-no-such-tool"), "");
    EXPECT_EQ(platformFindProgram(""), "");

    // The test program itself is found by its bare name where it lives (with .exe on Windows).
    std::string self = testProgramPath();
    const std::string selfDir = self.substr(0, self.find_last_of("/\\"));
    std::string name = self.substr(selfDir.size() + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) name.resize(name.size() - 4);
    setTestEnvironment("PATH", dir.path + (selfDir.find('\\') != std::string::npos ? ";" : ":") + selfDir);
    const std::string found = platformFindProgram(name);
    setTestEnvironment("PATH", saved);
    // Windows file names match in any case, and PATHEXT spells extensions in capitals.
    std::string foundName = found.substr(found.find_last_of("/\\") + 1), selfName = self.substr(selfDir.size() + 1);
    for (std::string* text : {&foundName, &selfName})
        for (char& c : *text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(foundName, selfName);

    const Child child(platformCreateChild(2, nullptr), platformFreeChild);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(platformStartChild(child.get(), {dir.file("quorvex-no-such-tool")}), 0);
}

// A child that ends without reading: the writes fail instead of blocking, and its status
// comes back.
TEST(ChildProcess, AChildThatEndsEarlyFailsTheWritesAndGivesItsStatus) {
    const Child child = startChild(2, {"exit", "7"});
    ASSERT_NE(child, nullptr);
    const std::vector<unsigned char> streams[2] = {pattern(0, 8 << 20), pattern(1, 1 << 20)};
    const Clock::time_point started = Clock::now();
    EXPECT_FALSE(feed(child, streams));
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(20)) << "the writes noticed the end only at the deadline";
    PlatformChildEnd end;
    ASSERT_EQ(waitForEnd(child, &end), 1);
    EXPECT_EQ(end.exited, 1);
    EXPECT_EQ(end.code, 7);
}

TEST(ChildProcess, AKilledChildEndsAtOnceAndReportsTheKill) {
    const Child child = startChild(1, {"sleep"});
    ASSERT_NE(child, nullptr);
    PlatformChildEnd end;
    EXPECT_EQ(platformPollChild(child.get(), &end), 0) << "still running";
    const Clock::time_point started = Clock::now();
    platformKillChild(child.get());
    ASSERT_EQ(waitForEnd(child, &end), 1);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(end.exited, 0);
    long written = 0;
    const std::vector<unsigned char> bytes = pattern(0, 1 << 16);
    for (int i = 0; i < 200 && written >= 0; ++i) {
        int wanted[2] = {1, 0}, ready[2];
        platformWaitChildPipes(child.get(), wanted, 100, ready);
        written = platformWriteChildPipe(child.get(), 0, bytes.data(), bytes.size());
    }
    EXPECT_EQ(written, -1) << "a pipe to a dead child must fail";
}

#if defined(_WIN32)
int processesOnOurConsole() {
    DWORD ids[64];
    return static_cast<int>(GetConsoleProcessList(ids, 64));
}

bool consoleShows(const std::string& text) {
    HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info;
    std::string shown;
    if (screen != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(screen, &info)) {
        shown.resize(static_cast<size_t>(info.dwSize.X) * static_cast<size_t>(info.dwSize.Y));
        DWORD read = 0;
        ReadConsoleOutputCharacterA(screen, &shown[0], static_cast<DWORD>(shown.size()), COORD{0, 0}, &read);
        shown.resize(read);
    }
    if (screen != INVALID_HANDLE_VALUE) CloseHandle(screen);
    return shown.find(text) != std::string::npos;
}

// Ctrl-Break goes to every process on the console, whatever its process group: a child on
// ours would die with it while we finish the file. It must not be there, and what it writes
// must still show on our console. (Needs a console: ctest under Wine gives the test none; the
// windows_child_on_console test runs it on a terminal.)
TEST(ChildProcess, OnWindowsTheChildIsOffOurConsoleAndItsOutputShowsThere) {
    DWORD mode = 0;
    if (processesOnOurConsole() == 0 || !GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode))
        GTEST_SKIP() << "no console";
    const int before = processesOnOurConsole();
    const std::string text = "child-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
    const Child child = startChild(0, {"say", text});
    ASSERT_NE(child, nullptr);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
    while (!consoleShows(text) && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(consoleShows(text)) << "the child's output never reached our console";
    EXPECT_EQ(processesOnOurConsole(), before) << "the child is on our console";
    PlatformChildEnd end;
    EXPECT_EQ(platformPollChild(child.get(), &end), 0) << "still running";
}
#endif
}  // namespace

// The helper role is chosen before GoogleTest sees the arguments.
int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) return runChild(childArguments(argc, argv));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
