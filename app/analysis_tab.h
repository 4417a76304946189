#pragma once
// "Analysis": the analysis of one open file (its figures, the graphs of its click values,
// the class totals and the text box), the frequency graph of the screen in view, and the
// cross- and auto-correlation, which draw over the display.
#include <array>
#include <functional>

#include "app/page.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace kelp {

class AnalysisTab : public Page {
    Q_OBJECT
public:
    explicit AnalysisTab(AppContext& app, QWidget* parent = nullptr);
    QString Caption() const override { return "Analysis"; }
    void Refresh(const std::string& what) override;
    void ApplyDevelopmentMode(bool on) override;

    QPushButton* AnalyzeButton() const { return analyze_; }
    QRadioButton* FileItem(int slot) const { return fileItems_[static_cast<std::size_t>(slot)]; }
    QCheckBox* StepSpeciesBox() const { return stepSpecies_; }
    QCheckBox* ClassTotalsBox() const { return classTotals_; }
    QCheckBox* ProfileBox() const { return profile_; }
    QCheckBox* NcycAndkHzBox() const { return ncycAndkHz_; }
    QLabel* FigureLabel(int index) const { return figures_[static_cast<std::size_t>(index)]; }
    QLabel* GraphImage(int graph) const { return graphs_[static_cast<std::size_t>(graph)]; }
    QLabel* QualityBar(int index) const { return qualityBars_[static_cast<std::size_t>(index)]; }
    QLabel* SpeciesBar(int index) const { return speciesBars_[static_cast<std::size_t>(index)]; }
    QPlainTextEdit* TextBox() const { return textBox_; }
    QRadioButton* GraphTypeItem(int type) const { return graphTypes_[static_cast<std::size_t>(type)]; }
    QPushButton* GraphButton() const { return graph_; }
    QCheckBox* SmoothBox() const { return smooth_; }
    QCheckBox* ValuesBox() const { return values_; }
    QPushButton* CrossButton() const { return cross_; }
    QPushButton* AutoButton() const { return auto_; }
    QPushButton* CoherenceButton() const { return coherence_; }

    // The page's labels, in the order of FigureLabel.
    static constexpr int FigureCount = 14;

private:
    void Analyze(int slot);
    // Runs a drawing over the display; true from `draw` brings the display's page to the front.
    void DrawOnDisplay(const std::function<bool()>& draw);
    void ShowGraphs();

    QPushButton* analyze_;
    std::array<QRadioButton*, 4> fileItems_{}; // by slot 1..3
    QCheckBox* stepSpecies_;
    QCheckBox* classTotals_;
    QCheckBox* profile_;
    QCheckBox* ncycAndkHz_;
    std::array<QLabel*, FigureCount> figures_{};
    std::array<QLabel*, 8> graphs_{};
    QWidget* classBox_;
    std::array<QLabel*, 4> qualityBars_{};
    std::array<QLabel*, 5> speciesBars_{};
    QPlainTextEdit* textBox_;
    std::array<QRadioButton*, 7> graphTypes_{};
    QPushButton* graph_;
    QCheckBox* smooth_;
    QCheckBox* values_;
    QPushButton* cross_;
    QPushButton* auto_;
    QPushButton* coherence_;
    bool graphsShown_ = false;
};

} // namespace kelp
