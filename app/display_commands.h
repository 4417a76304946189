#pragma once
// The display's commands on "Files - View": the buttons (start, back, go on, fast forward,
// stop, refresh, "Stop data transfer", "sound"), the seek controls and "go" to a typed
// time; and the keys, the mouse in the display, the "KL1/" divisor label and the pointer
// menu, each turned into the display command it names.
#include <array>
#include <functional>
#include <string>

#include <QPoint>
#include <QTimer>
#include <QWidget>

#include "app/page.h"
#include "display/display_state.h"
#include "display/keys.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kelp {

class ClickLabel;
class PointerMenu;

class DisplayCommandPanel : public QWidget {
    Q_OBJECT
public:
    DisplayCommandPanel(AppContext& app, QWidget* parent = nullptr);
    ~DisplayCommandPanel() override;

    // Runs a display command as a command of the window (dropped while another runs), then
    // shows the texts and the picture again.
    bool Run(const std::function<void(DisplayContext&)>& command);
    // Runs it at once, also while another command runs (stop, a faster fast forward).
    void RunNow(const std::function<void(DisplayContext&)>& command);
    // Shows the program's texts in the panel and the display.
    void Refresh();
    // After files were opened or closed by a command of the display.
    void FilesChanged();

    // A key let go with the pointer where it was last seen over the display.
    KeyAction KeyReleased(DisplayKey key, bool shift);
    // The last position of the pointer over the display (display coordinates).
    QPoint Pointer() const { return pointer_; }
    PointerMenu* Menu() const { return menu_; }

    QPushButton* StartButton() const { return start_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* GoOnButton() const { return goOn_; }
    QPushButton* FastForwardButton() const { return fastForward_; }
    QPushButton* StopButton() const { return stop_; }
    QPushButton* RefreshButton() const { return refresh_; }
    QPushButton* StopTransferButton() const { return stopTransfer_; }
    QPushButton* SoundButton() const { return sound_; }
    ClickLabel* SeekLabel() const { return seekLabel_; }
    QLineEdit* SeekMinimumBox() const { return seekMinimum_; }
    QCheckBox* SeekBox(int slot) const { return seekBoxes_[static_cast<std::size_t>(slot)]; }
    QPushButton* SeekUpButton() const { return seekUp_; }
    QPushButton* SeekDownButton() const { return seekDown_; }
    QLineEdit* GoBox() const { return goBox_; }
    QPushButton* GoButton() const { return go_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool KeyEvent(QObject* watched, QEvent* event);
    bool MouseEvent(QEvent* event);
    void AfterKey(KeyAction action);
    void CopyScreenCapture();
    void AppendSelectionToSpikeFile();
    void OpenFromDisplay(bool fileSet);
    void ClickStart();
    void ClickGo();

    AppContext& app_;
    QPoint pointer_;
    bool longBarPressed_ = false;
    bool kl1DoubleClicked_ = false; // the release that ends a double-click of the "KL1/" label
    QTimer rearmMenu_;
    // A command that waits for the screen being drawn to stop.
    std::function<void(DisplayContext&)> pending_;
    QTimer pendingTimer_;
    PointerMenu* menu_ = nullptr;

    QPushButton* start_;
    QPushButton* back_;
    QPushButton* goOn_;
    QPushButton* fastForward_;
    QPushButton* stop_;
    QPushButton* refresh_;
    QPushButton* stopTransfer_;
    QPushButton* sound_;
    ClickLabel* seekLabel_;
    QLineEdit* seekMinimum_;
    std::array<QCheckBox*, 4> seekBoxes_{}; // by slot 1..3
    QPushButton* seekUp_;
    QPushButton* seekDown_;
    QLineEdit* goBox_;
    QPushButton* go_;
};

} // namespace kelp
