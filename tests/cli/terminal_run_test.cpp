// kelp-cli itself on a pseudo-terminal: the progress bar a person sees, the silence of a
// pipe, and Ctrl+C.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/file_io.h"
#include "kelp_version.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::TempDir;

struct TerminalRun {
    int Status = -1;
    std::string Terminal; // what the terminal showed
};

// Runs the program with its input and output on a new pseudo-terminal, stderr to a file when
// one is named. `watch` sees the terminal's output as it grows and may type into it.
TerminalRun RunOnTerminal(std::vector<std::string> args, const std::string& stderrFile = "",
                          const std::function<void(const std::string&, int)>& watch = {}) {
    args.insert(args.begin(), KELP_CLI_PROGRAM);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int err = stderrFile.empty() ? -1 : ::open(stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        if (err >= 0) ::dup2(err, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (err >= 0) ::close(err);
    TerminalRun run;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // EIO once the program has gone
        run.Terminal.append(buffer, static_cast<std::size_t>(n));
        if (watch) watch(run.Terminal, terminal);
    }
    ::close(terminal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// A simulated deployment downloaded into a KL1 file.
std::string MakeKL1(const TempDir& dir, const std::string& scenario, int minutes, int seed) {
    const std::string card = dir.File("card");
    EXPECT_EQ(RunKelpCli({"simulate", "--out", card, "--minutes", std::to_string(minutes), "--scenario",
                          scenario, "--seed", std::to_string(seed)})
                  .Status,
              0);
    const std::string kl1 = dir.File("KELP test.KL1");
    EXPECT_EQ(RunKelpCli({"download", card, kl1, "--start", "2024-07-01 12:00", "--now", "2024-07-05 12:00"})
                  .Status,
              0);
    return kl1;
}

TEST(TerminalRun, TheBarShowsOnATerminalEndsCleanlyAndNeverReachesAFileOrStdout) {
    TempDir dir;
    const std::string kl1 = MakeKL1(dir, "mixed", 1440, 3);
    const CliResult plain = RunKelpCli({"trains", kl1});
    ASSERT_EQ(plain.Status, 0);

    const TerminalRun shown = RunOnTerminal({"trains", kl1});
    EXPECT_EQ(shown.Status, 0);
    const std::size_t bar = shown.Terminal.find("%  0:0");
    ASSERT_NE(bar, std::string::npos) << shown.Terminal;
    EXPECT_EQ(shown.Terminal.rfind('\r', bar), 0u); // drawn from the first column
    // Taken away again before the results: blanks over the bar, back to the first column.
    const std::size_t results = shown.Terminal.find("file\tstart");
    ASSERT_NE(results, std::string::npos);
    const std::size_t erase = shown.Terminal.rfind("\r ", results);
    ASSERT_NE(erase, std::string::npos);
    EXPECT_EQ(shown.Terminal.find_first_not_of(' ', erase + 1), results - 1);
    EXPECT_EQ(shown.Terminal[results - 1], '\r');
    EXPECT_EQ(shown.Terminal.find("elapsed", results), std::string::npos);

    // stderr to a file: exactly the messages; --quiet: no bar on the terminal either.
    const TerminalRun piped = RunOnTerminal({"trains", kl1}, dir.File("err.txt"));
    EXPECT_EQ(piped.Status, 0);
    std::vector<std::uint8_t> err;
    ASSERT_TRUE(ReadWholeFile(dir.File("err.txt"), err));
    EXPECT_EQ(std::string(err.begin(), err.end()), plain.Err);
    const TerminalRun quiet = RunOnTerminal({"trains", "--quiet", kl1});
    EXPECT_EQ(quiet.Status, 0);
    EXPECT_EQ(quiet.Terminal.find("elapsed"), std::string::npos);
    EXPECT_EQ(quiet.Terminal.find('\r' + std::string("file\tstart")), std::string::npos);
}

TEST(TerminalRun, EveryLongOperationDrawsItsBar) {
    TempDir dir;
    const std::string kl1 = MakeKL1(dir, "porpoise", 120, 5);
    ASSERT_EQ(RunKelpCli({"trains", kl1}).Status, 0);
    const std::string kl3 = kl1.substr(0, kl1.size() - 4) + ".KL3";
    const struct {
        std::vector<std::string> Args;
        const char* Caption;
    } cases[] = {
        {{"download", dir.File("card"), dir.File("KELP again.KL1"), "--start", "2024-07-01 12:00", "--now",
          "2024-07-05 12:00"},
         "Converting DATA0.ORV"},
        {{"clusters", kl1}, "analysing clusters"},
        {{"render", kl1, "--scale", "17", "-o", dir.File("r.png")}, "... drawing the screen ..."},
        {{"export", kl3, "--data", "dpm", "--period", "1min", "-o", dir.File("e.txt")}, "Exporting from"},
        {{"details", kl3, "-o", dir.File("d.txt")}, "Exporting train details from"},
        {{"clicks", kl1, "-o", dir.File("c.txt")}, "Exporting click details from"},
        {{"list", "files", kl1, kl3}, "0:00 elapsed  file 1 of 2"},
        {{"analyse", kl1}, "Analysing data ..."},
    };
    for (const auto& c : cases) {
        const TerminalRun run = RunOnTerminal(c.Args);
        EXPECT_EQ(run.Status, 0) << c.Args[0] << run.Terminal;
        const std::size_t caption = run.Terminal.find(c.Caption);
        EXPECT_NE(caption, std::string::npos) << c.Args[0] << run.Terminal;
        EXPECT_NE(run.Terminal.find("elapsed", caption), std::string::npos) << c.Args[0];
    }
}

TEST(TerminalRun, CtrlCMidRunOfTrainsLeavesNoKL3FileAndExits1) {
    TempDir dir;
    const std::string kl1 = MakeKL1(dir, "noisy", 400, 3);
    bool typed = false;
    const TerminalRun run = RunOnTerminal({"trains", kl1}, "", [&](const std::string& shown, int terminal) {
        // Once the trains are searched for: the KL2 file made on the way is done by then.
        if (!typed && shown.find("seeking cetaceans") != std::string::npos)
            typed = ::write(terminal, "\x03", 1) == 1;
    });
    ASSERT_TRUE(typed);
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Terminal.find("Stopped by Ctrl+C."), std::string::npos) << run.Terminal;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        for (const char* made : {".KL2", ".k2m", ".KL3", ".k3m"})
            EXPECT_EQ(name.find(made), std::string::npos) << name;
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    }
}

TEST(TerminalRun, VersionFromTheBuild) {
    const CliResult r = RunKelpCli({"--version"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, std::string("kelp-cli ") + KelpVersion + "\n");
}

} // namespace
} // namespace kelp
