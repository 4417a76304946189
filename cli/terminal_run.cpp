// kelp-cli as a program on a terminal: the progress bar, Ctrl+C and the termination signal.
#include <csignal>
#include <iostream>
#include <memory>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include "cli/registry.h"
#include "cli/terminal_console.h"

namespace kelp::cli {

namespace {

bool Ignored(int signal) {
    struct sigaction action {};
    return ::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN;
}

} // namespace

int RunCliOnTerminal(int argc, char** argv) {
    // The signals are taken by one watching thread (every other thread, batch workers too,
    // has them blocked), so that an operation is asked to stop at its own points. A signal
    // that was ignored when the program started (a job in the background) stays ignored.
    sigset_t signals;
    sigemptyset(&signals);
    for (const int s : {SIGINT, SIGTERM})
        if (!Ignored(s)) sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    TerminalConsole::Options options;
    options.DrawBar = ::isatty(2) == 1;
    const bool resultsOnTerminal = options.DrawBar && ::isatty(1) == 1;
    // Never freed: the watching thread may still use it while the program exits.
    auto* console = new TerminalConsole(std::move(options));
    std::thread([console, signals] {
        const timespec tick{0, 100'000'000};
        for (;;) {
            const int signal = sigtimedwait(&signals, nullptr, &tick);
            if (signal == SIGINT)
                console->Interrupt();
            else if (signal == SIGTERM)
                console->Terminate();
            console->Tick();
        }
    }).detach();

    AttachHeadlessConsole(console);
    ConsoleStreamBuf messages(*console, ConsoleStreamBuf::Target::Messages);
    std::ostream err(&messages);
    std::unique_ptr<ConsoleStreamBuf> results;
    std::unique_ptr<std::ostream> resultsStream;
    std::ostream* out = &std::cout;
    if (resultsOnTerminal) {
        results = std::make_unique<ConsoleStreamBuf>(*console, ConsoleStreamBuf::Target::Results);
        resultsStream = std::make_unique<std::ostream>(results.get());
        out = resultsStream.get();
    }
    const int status = RunCli(argc, argv, *out, err, console);
    out->flush();
    console->Finish();
    AttachHeadlessConsole(nullptr);
    return status;
}

} // namespace kelp::cli
