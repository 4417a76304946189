#pragma once
// "Export": the settings of the detection export (data item, period, output, date format and
// units, the options and the file check boxes) with "Export data from:", the two filter
// labels, and the train details buttons ("Export full train details" in development mode).
#include <array>
#include <string>

#include "app/page.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace kelp {

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

private:
    void ExportData();
    void ExportDetails(bool full);

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
    std::array<QLabel*, 4> fileNames_{};
    QPushButton* export_;
    QPushButton* brief_;
    QPushButton* full_;
    QLabel* clickFilter_;
    QLabel* trainFilter_;
};

} // namespace kelp
