#pragma once
// Pieces of the form pages ("Read SD", "Settings", "Trains"): captions that hold their entry
// boxes, the lists that collect report lines, and the page's own progress bar during an
// operation started from it.
#include <functional>
#include <string>
#include <vector>

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace kelp {

class QtHost;

// A caption whose run of blanks holds an entry box ("Stop after                    blanks"):
// the box lies over the blanks. A caption without such a run is followed by its box.
class GapCaption : public QWidget {
    Q_OBJECT
public:
    GapCaption(const QString& caption, QLineEdit* box, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Place();
    QLabel* label_;
    QLineEdit* box_;
    QString before_; // the caption up to the run of blanks (all of it when there is none)
    QString gap_;
};

// A caption of words with one entry box under each word ("yyyy       mm     dd"), each box
// starting where its word starts.
class WordBoxes : public QWidget {
    Q_OBJECT
public:
    WordBoxes(const QString& caption, const std::vector<QLineEdit*>& boxes, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<int> Lefts() const;
    QLabel* label_;
    std::vector<QLineEdit*> boxes_;
    std::vector<int> wordStarts_; // character positions of the words
};

// A read-only list of report lines (tab-separated, not wrapped).
QPlainTextEdit* MakeReportList(QWidget* parent, const QString& hint = {});
// A button with its hint.
QPushButton* MakeButton(const QString& caption, const QString& hint, QWidget* parent);
// An entry box of a given width in characters (at most `maxLength` characters, 0: no limit).
QLineEdit* MakeEntry(QWidget* parent, int widthChars, int maxLength = 0);

// While it lives, the host's progress label and bar show on a page's own label and bar too
// (the display's bar lies on "Files - View", out of sight of the other pages).
class PageProgress {
public:
    PageProgress(QtHost& host, QLabel* label, QProgressBar* bar);
    ~PageProgress();
    PageProgress(const PageProgress&) = delete;
    PageProgress& operator=(const PageProgress&) = delete;

private:
    QtHost& host_;
    std::function<void(const std::string&)> label_;
    std::function<void(bool, int)> bar_;
};

} // namespace kelp
