#pragma once
// The buttons of the file utilities: the "Metadata" page's group, the period copy beside
// the display and the development page's "spike". Each runs its utility as a command of
// the window; afterwards the pages and the display show the files as they are now.
#include <functional>

#include <QGroupBox>

#include "app/page.h"
#include "files/file_utilities.h"

class QPushButton;

namespace kelp {

// Said by "Change start time" when the "Read SD" page's start time boxes hold no valid time.
inline constexpr const char* InvalidStartTimeBoxesText =
    "The start time boxes on the Read SD page do not hold a valid time.  No change made.";

// Runs a file utility as a command of the window (not beside another one), then refreshes
// the pages and lets the display follow the files opened or closed. False when not run.
bool RunFileUtility(AppContext& app, const std::function<void()>& utility);

// What "spike" and Shift + S take from the display: the band of the last double-click,
// the minute at which the screen starts, and the read position put back afterwards.
SpikeRequest SpikeRequestOf(AppContext& app);

// The "Metadata" page's file utilities.
class FileUtilityButtons : public QGroupBox {
    Q_OBJECT
public:
    explicit FileUtilityButtons(AppContext& app, QWidget* parent = nullptr);
    // Captions (they change while a utility runs) and the buttons that need an open file.
    void Refresh();

    QPushButton* PasteButton() const { return paste_; }
    QPushButton* RenameButton() const { return rename_; }
    QPushButton* DeleteButton() const { return delete_; }
    QPushButton* SameSpanButton() const { return sameSpan_; }
    QPushButton* ChangeStartButton() const { return changeStart_; }
    QPushButton* AppendButton() const { return append_; }
    QPushButton* EditCopiesButton() const { return editCopies_; }
    QPushButton* VerifyButton() const { return verify_; }

private:
    QPushButton* AddButton(const char* caption, const char* hint, int row, int column,
                           std::function<void()> utility);

    AppContext& app_;
    QPushButton* paste_;
    QPushButton* rename_;
    QPushButton* delete_;
    QPushButton* sameSpan_;
    QPushButton* changeStart_;
    QPushButton* append_;
    QPushButton* editCopies_;
    QPushButton* verify_;
};

} // namespace kelp
