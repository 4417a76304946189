#pragma once
// The per-file work of a batch on several threads. Each worker takes the next file with a
// Program and HeadlessHost of its own (the user's settings copied in); the calling thread
// takes the files back in their order and replays each worker's messages, results lines
// and source-list lines onto the user's program and host, so that a batch leaves exactly
// what it leaves with one job. With one job the work runs on the user's program and host.
#include <functional>
#include <memory>

namespace kelp {

class Program;
class Host;

// The files a batch may process at once: at least 1; 0 asks for the machine's cores.
int BatchJobsFor(int requested);

// A program for a batch worker: the options, filters and page settings that opening,
// reading and exporting a file use, copied from the user's program, with the batch flag set.
std::unique_ptr<Program> BatchWorkerProgram(Program& from);

struct PerFileRun {
    int Count = 0;
    int Jobs = 1;
    // The work of file `index` (0-based). With more than one job it runs on a worker thread
    // on that worker's program and host, and may write only what belongs to its own index.
    std::function<void(Program& program, Host& host, int index)> Work;
    // On the calling thread, in the files' order, once file `index` is done and what it showed
    // has reached the user's host. False stops the batch.
    std::function<bool(int index)> Done;
};

struct PerFileOutcome {
    int Done = 0;         // files handed to Done
    bool Stopped = false; // ESC, a stop request or Done ended the batch early
};

// Runs the batch. Between files (and every 100 ms while waiting for a worker) the user's
// host handles its events; ESC or a stop request there ends the batch after the files
// already started, which are still handed over in order.
PerFileOutcome RunPerFile(Program& program, Host& host, const PerFileRun& run);

} // namespace kelp
