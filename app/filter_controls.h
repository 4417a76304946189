#pragma once
// The click and train filters of the "Files - View" page: the range boxes (a double-click
// puts the box's "no filter" text back), the weak and cluster filters, the ignore switch,
// the quality and species boxes, the minute limit and the ICI filter of the seek. Each box
// is parsed when it changes; the display is drawn again when the typing pauses.
#include <array>

#include <QWidget>

#include "app/page.h"
#include "core/filter_settings.h"

class QCheckBox;
class QLabel;

namespace kelp {

class ClickLabel;
class EntryBox;

inline constexpr int FilterBoxCount = 10;

class FilterControls : public QWidget {
    Q_OBJECT
public:
    FilterControls(AppContext& app, QWidget* parent = nullptr);
    void Refresh();
    // Start-up: the change handlers of the boxes, run once with their texts.
    void RunChangeHandlers();

    EntryBox* RangeBox(FilterBox box) const { return range_[static_cast<std::size_t>(box)]; }
    QCheckBox* QualityBox(int quality) const { return quality_[static_cast<std::size_t>(quality)]; }
    QCheckBox* SpeciesBox(int species) const { return species_[static_cast<std::size_t>(species)]; }
    QCheckBox* AllQualitiesBox() const { return allQ_; }
    QCheckBox* IgnoreBox() const { return ignore_; }
    EntryBox* UpperIciBox() const { return upperIci_; }
    EntryBox* LowerIciBox() const { return lowerIci_; }

private:
    void Changed();

    AppContext& app_;
    std::array<EntryBox*, FilterBoxCount> range_{};
    QLabel* amplitudeCaption_ = nullptr;
    EntryBox* weak_;
    EntryBox* minCluster_;
    EntryBox* exactCluster_;
    QCheckBox* band1_;
    QCheckBox* ignore_;
    ClickLabel* minuteLimit_;
    std::array<QCheckBox*, 4> quality_{};
    QCheckBox* allQ_;
    std::array<QCheckBox*, 5> species_{};
    EntryBox* upperIci_;
    EntryBox* lowerIci_;
    QCheckBox* iciOn_;
};

} // namespace kelp
