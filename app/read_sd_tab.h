#pragma once
// "Read SD": the start time of the logger, the boxes that name the first KL1 file and the
// deployment notes stored in it, the download of the card's data files ("4:   Read SD card  ")
// with its progress and "Stop data transfer", the upload, data summary and errors lists, and
// the card checks (the logging summary, single blocks, "verify DATA0").
#include <array>
#include <functional>

#include "app/page.h"
#include "core/time.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace kelp {

// The page's entry boxes.
enum class ReadSDBox : int {
    StartYear,
    StartMonth,
    StartDay,
    StartHour,
    StartMinute,
    NameLocation, // "Data for file name": "Location"
    NameYear,
    NameMonth,
    NameDay,
    Location, // "Deployment notes": "Location"
    Notes,
    Lat,
    Long,
    WaterDepth,
    DeploymentDepth,
    Blanks,
    BlockNumber,
    Count
};

class ReadSDTab : public Page {
    Q_OBJECT
public:
    explicit ReadSDTab(AppContext& app, QWidget* parent = nullptr);
    QString Caption() const override { return "Read SD"; }
    void Refresh(const std::string& what) override;
    void RunChangeHandlers() override;

    // The clock of "now" (the computer's when none is set).
    void SetClock(std::function<MinuteNumber()> now) { now_ = std::move(now); }

    QLineEdit* Box(ReadSDBox box) const { return boxes_[static_cast<std::size_t>(box)]; }
    QPushButton* ReadButton() const { return read_; }
    QPushButton* StopButton() const { return stop_; }
    QPushButton* PasteStartButton() const { return pasteStart_; }
    QPushButton* PasteNameDateButton() const { return pasteNameDate_; }
    QPushButton* SummaryButton() const { return summary_; }
    QPushButton* BlockButton() const { return block_; }
    QPushButton* VerifyButton() const { return verify_; }
    QCheckBox* OpenWhenFinishedBox() const { return openWhenFinished_; }
    QLabel* StartTimeLabel() const { return startTime_; }
    QLabel* StartMinuteLabel() const { return startMinute_; }
    QLabel* MinutesReadLabel() const { return minutesRead_; }
    QLabel* ClickCountLabel() const { return clickCount_; }
    QProgressBar* ProgressBar() const { return progress_; }
    QPlainTextEdit* UploadList() const { return upload_; }
    QPlainTextEdit* SummaryList() const { return summaryList_; }
    QPlainTextEdit* ErrorsList() const { return errors_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BoxEdited(ReadSDBox box, const QString& text);
    void BoxFinished(ReadSDBox box);
    void ReadCard();
    void RunCardCheck(const std::function<void()>& check);

    MinuteNumber Now() const;

    std::function<MinuteNumber()> now_;
    bool shown_ = false;
    std::array<QLineEdit*, static_cast<std::size_t>(ReadSDBox::Count)> boxes_{};
    QPushButton* read_;
    QPushButton* stop_;
    QPushButton* pasteStart_;
    QPushButton* pasteNameDate_;
    QPushButton* summary_;
    QPushButton* block_;
    QPushButton* verify_;
    QCheckBox* openWhenFinished_;
    QLabel* startTime_;
    QLabel* startMinute_;
    QLabel* minutesRead_;
    QLabel* clickCount_;
    QLabel* progressCaption_;
    QProgressBar* progress_;
    QPlainTextEdit* upload_;
    QPlainTextEdit* summaryList_;
    QPlainTextEdit* errors_;
};

} // namespace kelp
