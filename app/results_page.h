#pragma once
// "Results": the text that operations append lines to, with "Clear", "Cut to Clipboard" and
// "Copy to Clipboard". A double-click on the text empties it. The text can be edited.
#include "app/page.h"

class QPlainTextEdit;
class QPushButton;

namespace kelp {

class ResultsTab : public Page {
    Q_OBJECT
public:
    explicit ResultsTab(AppContext& app, QWidget* parent = nullptr);
    ~ResultsTab() override;
    QString Caption() const override { return "Results"; }

    QPlainTextEdit* Text() const { return text_; }
    QPushButton* ClearButton() const { return clear_; }
    QPushButton* CutButton() const { return cut_; }
    QPushButton* CopyButton() const { return copy_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the results page's lines (appended lines are added at the end).
    void ShowResults();

    QPlainTextEdit* text_;
    QPushButton* clear_;
    QPushButton* cut_;
    QPushButton* copy_;
    std::size_t shownLines_ = 0;
    bool editing_ = false; // the text is being taken from the box
};

} // namespace kelp
