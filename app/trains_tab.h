#pragma once
// "Trains": the pre-filter boxes of the cluster finder, the train detection over a batch of
// KL1 files (and, in development mode, over KL2 files) or over the file in slot 1, "Mark
// landmark sequences", the summary area of the last run with its bar chart, and the report
// boxes of the batches (the results line of every file processed, and the files that could
// not be processed).
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/page.h"
#include "tda/train_batch.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kelp {

class ClickLabel;
class EntryBox;
struct TdaEntry;

// The totals of the last run as bars: Hi, Mod, Lo, ?, then the five species classes.
class TrainBars : public QWidget {
    Q_OBJECT
public:
    explicit TrainBars(QWidget* parent = nullptr);
    void SetBars(const std::array<std::int64_t, 9>& bars);
    QSize sizeHint() const override { return {480, 150}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<std::int64_t, 9> bars_{};
};

// One report box with its line count and its "copy to clipboard and clear" button.
struct ReportBox {
    QWidget* Frame = nullptr;
    QPlainTextEdit* Lines = nullptr;
    QLabel* Count = nullptr;
    QPushButton* CopyAndClear = nullptr;
    std::vector<std::string> Text;
};

class TrainsTab : public Page {
    Q_OBJECT
public:
    explicit TrainsTab(AppContext& app, QWidget* parent = nullptr);
    QString Caption() const override { return "Trains"; }
    void Refresh(const std::string& what) override;
    void ApplyDevelopmentMode(bool on) override;

    QLineEdit* SplBox() const { return spl_; }
    QLineEdit* DurationBox() const { return duration_; }
    QLineEdit* KHzBox() const { return kHz_; }
    EntryBox* MinLimitBox() const { return minLimit_; }
    ClickLabel* NormalSensitivityLabel() const { return normal_; }
    QCheckBox* NoSpeciesSplitBox() const { return noSpeciesSplit_; }
    QComboBox* VersionChoice() const { return version_; }
    QPushButton* BatchButton() const { return batch_; }
    QPushButton* KL2BatchButton() const { return kl2Batch_; }
    QPushButton* ClusterButton() const { return cluster_; }
    QPushButton* Slot1Button() const { return slot1_; }
    QPushButton* LandmarksButton() const { return landmarks_; }
    const ReportBox& ProcessedReport() const { return reports_[0]; }
    const ReportBox& SkippedReport() const { return reports_[1]; }
    QLabel* ResultLabels() const { return results_; }
    QLabel* BatchLabel() const { return batchLabel_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void EntryEdited(TdaEntry& entry, QLineEdit* box, const QString& text, bool finished);
    void RunBatch(TrainBatchKind kind);
    void Run(const std::function<void()>& command, bool filesChanged);
    void TakeBatchLines();
    void ShowReports();
    ReportBox MakeReport(const QString& title, const QString& hint, int index);

    QLineEdit* spl_;
    QLineEdit* duration_;
    QLineEdit* kHz_;
    EntryBox* minLimit_;
    ClickLabel* normal_;
    QCheckBox* noSpeciesSplit_;
    QComboBox* version_;
    QPushButton* batch_;
    QPushButton* kl2Batch_;
    QPushButton* cluster_;
    QPushButton* slot1_;
    QPushButton* landmarks_;
    QWidget* development_;
    QLabel* legend_;
    QLabel* results_;
    QLabel* diagnostics_;
    QLabel* status_;
    QLabel* estimate_;
    QLabel* batchLabel_;
    TrainBars* bars_;
    std::array<ReportBox, 2> reports_;

    // The batch running: the results page lines already taken into the report boxes.
    bool shown_ = false;
    bool batchRunning_ = false;
    std::size_t resultsTaken_ = 0;
};

} // namespace kelp
