// Renaming and deleting file sets, and renaming one file. They act on closed files: the
// files concerned are closed first.
#include <cctype>

#include "core/header.h"
#include "core/host.h"
#include "core/program.h"
#include "core/slots.h"
#include "files/file_safety.h"
#include "files/file_utilities.h"

namespace kelp {

namespace {

struct SetMember {
    const char* Extension;
    bool IsData; // data files report their rename; map files follow silently
};

// The files of a set, in the order they are renamed and deleted.
constexpr SetMember SetMembers[] = {{".KL1", true},  {".k1m", false}, {".KL2", true},
                                    {".k2m", false}, {".KL3", true},  {".k3m", false}};

bool IsSetExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const SetMember& m : SetMembers) {
        std::string member = m.Extension;
        for (char& c : member) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (ext == member) return true;
    }
    return false;
}

// The base name of a chosen name: without its extension when that is one of the set's.
std::string ChosenBase(const std::string& chosen) {
    return IsSetExtension(chosen) ? WithoutLastFour(chosen) : chosen;
}

std::string MapExtension(FileKind kind) {
    switch (kind) {
    case FileKind::KL1:
        return ".k1m";
    case FileKind::KL2:
        return ".k2m";
    case FileKind::KL3:
        return ".k3m";
    default:
        return "";
    }
}

FileDialogRequest SaveAs(const std::string& titleName, const std::string& proposed) {
    FileDialogRequest request;
    request.Title = "Save " + titleName + " as ..";
    request.Filter = "KELP data files|*.KL*";
    request.InitialName = proposed;
    return request;
}

FilesOutcome NotRenamed(Host& host) {
    host.ShowMessage("No files renamed");
    FilesOutcome outcome;
    outcome.Failed = true;
    return outcome;
}

// Moves a map file along with its data file. A map file that cannot follow is left, but
// one already under the new name is removed, since it cannot describe the renamed file.
void MoveMapFile(RenameSet& moves, const std::string& from, const std::string& to) {
    if (from.empty() || from == to || SameFile(from, to)) return;
    int error = 0;
    if (!moves.Move(from, to, error) && FileExists(to)) RemoveFile(to);
}

} // namespace

FilesOutcome RenameFileSet(Program& p, Host& host) {
    const int lowest = p.LowestOpenSlot();
    if (lowest == 0) return NotRenamed(host);
    const std::string current = p.Slot(lowest).FullName;
    const auto chosen = host.SaveFileDialog(SaveAs(p.Slot(1).FullName, current));
    if (!chosen || chosen->empty()) return NotRenamed(host);
    const std::string oldBase = WithoutLastFour(current);
    const std::string newBase = ChosenBase(*chosen);
    CloseAllFiles(p, host);

    struct Planned {
        std::string From, To, Extension;
        bool IsData;
    };
    std::vector<Planned> planned;
    for (const SetMember& m : SetMembers) {
        const std::string from = ExistingWithExtension(oldBase, m.Extension);
        if (from.empty()) continue;
        const std::string to = newBase + from.substr(oldBase.size());
        if (to == from || SameFile(from, to)) continue;
        planned.push_back({from, to, m.Extension, m.IsData});
    }
    bool anyData = false;
    for (const Planned& m : planned) anyData = anyData || m.IsData;
    if (!anyData) return NotRenamed(host);
    for (const Planned& m : planned)
        if (m.IsData && !MayWriteTo(p, host, m.To)) return NotRenamed(host);

    FilesOutcome outcome;
    RenameSet moves;
    for (const Planned& m : planned) {
        if (!m.IsData) {
            MoveMapFile(moves, m.From, m.To);
            continue;
        }
        int error = 0;
        if (!moves.Move(m.From, m.To, error)) {
            // Every file renamed so far goes back: the set keeps one name.
            moves.Undo();
            host.ShowMessage("FAILED to rename " + m.Extension + ". No change made");
            outcome.Failed = true;
            return outcome;
        }
    }
    moves.Finish();
    for (const Planned& m : planned)
        if (m.IsData) {
            host.ShowTimedMessage(Message2s, "Saved as " + m.To);
            outcome.Files.push_back(m.To);
        }
    return outcome;
}

FilesOutcome RenameOneFile(Program& p, Host& host, int slotUnderPointer) {
    const int slot = (slotUnderPointer >= 1 && slotUnderPointer <= SlotCount) ? slotUnderPointer : 1;
    FileSlot& s = p.Slot(slot);
    if (!s.IsOpen) return NotRenamed(host);
    const std::string from = s.FullName;
    const auto chosen = host.SaveFileDialog(SaveAs(from, from));
    if (!chosen || chosen->empty() || *chosen == from || SameFile(from, *chosen)) return NotRenamed(host);
    const std::string to = *chosen;
    if (!MayWriteTo(p, host, to)) return NotRenamed(host);
    const std::string mapExtension = MapExtension(s.Kind);
    CloseDataFile(p, host, slot);

    FilesOutcome outcome;
    RenameSet moves;
    int error = 0;
    if (!moves.Move(from, to, error)) {
        host.ShowMessage("FAILED to rename file. No change made");
        outcome.Failed = true;
        return outcome;
    }
    host.ShowTimedMessage(Message2s, "Saved as " + to);
    if (!mapExtension.empty()) {
        const std::string oldMap = WithExtension(from, mapExtension);
        if (FileExists(oldMap)) MoveMapFile(moves, oldMap, WithExtension(to, mapExtension));
    }
    moves.Finish();
    outcome.Files.push_back(to);
    return outcome;
}

FilesOutcome DeleteFileSet(Program& p, Host& host) {
    FilesOutcome outcome;
    outcome.Failed = true;
    const int lowest = p.LowestOpenSlot();
    if (lowest == 0) {
        host.ShowMessage("No files open");
        return outcome;
    }
    const std::string name = p.Slot(lowest).FullName;
    if (!host.AskYesNo("Are you SURE you wish to permanently delete all files in the set '" + name +
                       "'    They will NOT be in the Recycle Bin")) {
        host.ShowMessage("No files deleted");
        return outcome;
    }
    CloseAllFiles(p, host);
    const std::string base = WithoutLastFour(name);
    outcome.Failed = false;
    for (const SetMember& m : SetMembers) {
        const std::string file = ExistingWithExtension(base, m.Extension);
        if (file.empty()) continue;
        int error = 0;
        if (RemoveFile(file, &error)) {
            outcome.Files.push_back(file);
        } else {
            host.ShowTimedMessage(Message2s, SystemErrorText(error));
            outcome.Failed = true;
        }
    }
    return outcome;
}

} // namespace kelp
