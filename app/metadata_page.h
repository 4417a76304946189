#pragma once
// "Metadata": one row per file slot with its name, logger, times and deployment boxes, and
// the "Session" and "Settings" summaries of the open file; below them the mirrors of the
// endpoint and ignore switches of "Files - View" and the file utilities.
#include <array>

#include "app/page.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace kelp {

class FileUtilityButtons;

class MetadataPage : public Page {
    Q_OBJECT
public:
    explicit MetadataPage(AppContext& app, QWidget* parent = nullptr);
    QString Caption() const override { return "Metadata"; }
    void Refresh(const std::string& what) override;

    struct SlotBoxes {
        QLabel* Name = nullptr;
        QLabel* KelpId = nullptr;
        QLabel* Start = nullptr;
        QLabel* End = nullptr;
        QLabel* Duration = nullptr;
        QLineEdit* Location = nullptr;
        QLineEdit* Notes = nullptr;
        QLineEdit* DeploymentDepth = nullptr;
        QLineEdit* WaterDepth = nullptr;
        QLineEdit* Latitude = nullptr;
        QLineEdit* Longitude = nullptr;
        QPlainTextEdit* Session = nullptr;
        QPlainTextEdit* Settings = nullptr;
    };
    const SlotBoxes& Boxes(int slot) const { return boxes_[static_cast<std::size_t>(slot)]; }
    FileUtilityButtons* Utilities() const { return utilities_; }
    QCheckBox* UseSavedEndpointsBox() const { return useSavedEndpoints_; }
    QCheckBox* IgnoreAllFiltersBox() const { return ignoreAll_; }

private:
    std::array<SlotBoxes, 4> boxes_{}; // by slot 1..3
    std::array<QGroupBox*, 4> groups_{};
    QCheckBox* useSavedEndpoints_;
    QCheckBox* ignoreAll_;
    FileUtilityButtons* utilities_;
};

} // namespace kelp
