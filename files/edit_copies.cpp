// "Create 'edit' copies": byte-for-byte copies of KL3 files, to be edited while the
// original stays as the train detection wrote it.
#include "core/header.h"
#include "core/host.h"
#include "core/program.h"
#include "files/file_safety.h"
#include "files/file_utilities.h"

namespace kelp {

namespace {

constexpr std::int64_t EditCopyBlockBytes = 65'536;

// Copies a whole file to a new name; false with the error text shown.
bool CopyWholeFile(Program& p, Host& host, const std::string& from, const std::string& to) {
    BinaryFile source;
    if (!source.Open(from, BinaryFile::Mode::Read)) {
        host.ShowTimedMessage(Message2s, source.LastErrorText());
        return false;
    }
    const std::int64_t size = source.Size();
    AtomicFileWriter writer(to);
    if (size < 0 || !writer.Open()) {
        host.ShowTimedMessage(Message2s, SystemErrorText(size < 0 ? source.LastError() : writer.LastError()));
        return false;
    }
    FileProgress progress(p, host, "... copying " + ShortNameOf(from) + " ...", size);
    const CopyResult copied =
        CopyRange(source, 0, size, EditCopyBlockBytes,
                  progress.Counting([&](const std::uint8_t* bytes, std::size_t n, int& e) {
                      if (writer.Write(bytes, n)) return true;
                      e = writer.LastError();
                      return false;
                  }));
    if (!copied.Ok || !writer.Commit()) {
        host.ShowTimedMessage(Message2s, SystemErrorText(copied.Ok ? writer.LastError() : copied.Error));
        return false;
    }
    return true;
}

} // namespace

FilesOutcome CreateEditCopies(Program& p, Host& host) {
    FilesOutcome outcome;
    BatchScope batch(p);
    FileDialogRequest request;
    request.Title = "Select KL3 files to duplicate";
    request.Filter = "KL3 files|*.KL3";
    request.MultiSelect = true;
    const std::vector<std::string> names = host.OpenFileDialog(request);
    if (names.empty()) {
        host.ShowTimedMessage(Message2s, "No Files selected");
        outcome.Failed = true;
        return outcome;
    }
    const std::size_t total = names.size();
    for (std::size_t n = 0; n < total; ++n) {
        const std::string& name = names[n];
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".KL3") != 0) {
            host.ShowTimedMessage(Message5s, "Not a KL3 file: " + name);
            outcome.Failed = true;
            continue;
        }
        SetCaption(p, host, &FileUtilityState::EditCopiesCaption,
                   "Copying " + std::to_string(n + 1) + " of " + std::to_string(total));
        host.ShowBatchFile(static_cast<int>(n + 1), static_cast<int>(total));
        host.ProcessEvents();
        const std::string copy = WithoutLastFour(name) + " EDIT.KL3";
        if (!MayWriteTo(p, host, copy) || !CopyWholeFile(p, host, name, copy)) {
            outcome.Failed = true;
            continue;
        }
        outcome.Files.push_back(copy);
    }
    SetCaption(p, host, &FileUtilityState::EditCopiesCaption, "Create edit copies");
    return outcome;
}

} // namespace kelp
