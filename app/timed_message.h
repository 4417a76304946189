#pragma once
// TTM, the timed message window: a borderless black strip with the message in white,
// shown modally until its time runs out, "OK" is pressed or a key is released. Messages
// longer than a second get the "OK" button, a ten-step bar that fills as the time passes
// and a hint.
#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kelp {

inline constexpr int TimedMessageWidth = 972;
inline constexpr int TimedMessageHeight = 106;
inline constexpr const char* TimedMessageHint = "press 'OK' or spacebar to skip this";

class TTM : public QDialog {
    Q_OBJECT
public:
    // `owner` is the main window the message is placed against (may be null).
    explicit TTM(QWidget* owner = nullptr);

    // Shows the text for `milliseconds` and returns when the window closes.
    void ShowTimedMessage(int milliseconds, const QString& text);

    // What the window shows, for the tests.
    QLabel* MessageLabel() const { return message_; }
    QPushButton* OkButton() const { return ok_; }
    QProgressBar* Bar() const { return bar_; }
    QLabel* HintLabel() const { return hint_; }
    const QTimer& ProgressTimer() const { return progressTimer_; }
    // Called once the window is shown and its timers run (tests close it from here).
    std::function<void(TTM&)> OnShown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OkClicked();
    void ProgressTick();

    QWidget* owner_;
    QLabel* message_;
    QPushButton* ok_;
    QProgressBar* bar_;
    QLabel* hint_;
    QTimer messageTimer_;
    QTimer progressTimer_;
};

} // namespace kelp
