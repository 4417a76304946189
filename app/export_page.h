#pragma once
// "Export": the settings of the detection export (data item, period, output, date format and
// units, the options and the file check boxes) with "Export data from:", the two filter
// labels, and the train details buttons ("Export full train details" in development mode).
#include <array>
#include <functional>
#include <string>

#include "app/page.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelp {

class ElidedLabel;

class ExportTab : public Page {
    Q_OBJECT
public:
    explicit ExportTab(AppContext& app, QWidget* parent = nullptr);
    QString Caption() const override { return "Export"; }
    void Refresh(const std::string& what) override;
    void ApplyDevelopmentMode(bool on) override;

    QButtonGroup* DataItems() const { return data_; }
    QButtonGroup* Periods() const { return period_; }
    QButtonGroup* Targets() const { return to_; }
    QButtonGroup* DateFormats() const { return dateFormat_; }
    QButtonGroup* DateUnits() const { return dateUnit_; }
    QGroupBox* PeriodGroup() const { return periodGroup_; }
    QCheckBox* OmitNegative() const { return omitNegative_; }
    QCheckBox* UseEndpoints() const { return useEndpoints_; }
    QCheckBox* OmitHeader() const { return omitHeader_; }
    QCheckBox* OneFile() const { return oneFile_; }
    QCheckBox* Tidy() const { return tidy_; }
    QCheckBox* FileBox(int slot) const { return files_[static_cast<std::size_t>(slot)]; }
    QPushButton* ExportButton() const { return export_; }
    QPushButton* BriefDetailsButton() const { return brief_; }
    QPushButton* FullDetailsButton() const { return full_; }
    QLabel* ClickFilterLabel() const { return clickFilter_; }
    QLabel* TrainFilterLabel() const { return trainFilter_; }
    QPushButton* ExportBatchButton() const { return exportBatch_; }
    QPushButton* ListNoiseButton() const { return listNoise_; }
    QPushButton* ListFilesButton() const { return listFiles_; }
    QPushButton* ListSettingsButton() const { return listSettings_; }
    QPushButton* TabulateDaysButton() const { return tabulateDays_; }
    QLineEdit* NoiseThresholdBox() const { return noiseThreshold_; }
    QPushButton* MinuteSummariesButton() const { return minuteSummaries_; }
    QPushButton* TadMinsButton() const { return tadMins_; }
    QPushButton* ClickDetailsButton() const { return clickDetails_; }
    QCheckBox* OmitSpreadsheetHeaders() const { return omitSpreadsheetHeaders_; }

private:
    void ExportData();
    void ExportDetails(bool full);
    // The batches and listings: they close or read the open files, then the display follows.
    void RunListing(const std::function<void()>& command, bool filesClosed = true);
    QWidget* BatchGroup();
    QWidget* ListingGroup();

    QButtonGroup* data_;
    QButtonGroup* period_;
    QButtonGroup* to_;
    QButtonGroup* dateFormat_;
    QButtonGroup* dateUnit_;
    QGroupBox* periodGroup_;
    QCheckBox* omitNegative_;
    QCheckBox* useEndpoints_;
    QCheckBox* omitHeader_;
    QCheckBox* oneFile_;
    QCheckBox* tidy_;
    std::array<QCheckBox*, 4> files_{};
    std::array<ElidedLabel*, 4> fileNames_{};
    QPushButton* export_;
    QPushButton* brief_;
    QPushButton* full_;
    QLabel* clickFilter_;
    QLabel* trainFilter_;
    QPushButton* exportBatch_ = nullptr;
    QPushButton* listNoise_ = nullptr;
    QPushButton* listFiles_ = nullptr;
    QPushButton* listSettings_ = nullptr;
    QPushButton* tabulateDays_ = nullptr;
    QLineEdit* noiseThreshold_ = nullptr;
    QPushButton* minuteSummaries_ = nullptr;
    QPushButton* tadMins_ = nullptr;
    QPushButton* clickDetails_ = nullptr;
    QCheckBox* omitSpreadsheetHeaders_ = nullptr;
};

} // namespace kelp
