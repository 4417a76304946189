#pragma once
// Small controls the pages share: a label that acts when clicked, an entry box that tells
// of a double-click, and helpers that show a program text in a control without running
// its change handler.
#include <string>

#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <vector>

namespace kelp {

// A label that can be clicked, like the file name labels and "save endpoints".
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(const QString& text = {}, QWidget* parent = nullptr);
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
};

// A one-line label that shows as much of its text as fits, leaving out the middle so that a
// file name keeps its extension; the whole text is its tooltip when it does not fit.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr) : QLabel(parent) {}
    void SetFullText(const QString& text);
    const QString& FullText() const { return full_; }
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();
    QString full_;
};

// An entry box whose double-click puts a default back.
class EntryBox : public QLineEdit {
    Q_OBJECT
public:
    explicit EntryBox(QWidget* parent = nullptr) : QLineEdit(parent) {}
signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// Tight margins and spacing for the groups of controls beside the display.
void Compact(QLayout* layout);

QString Q(const std::string& text);
// Sets a box's text (when it differs) keeping the cursor where it was.
void ShowText(QLineEdit* box, const std::string& text);
void ShowLines(QPlainTextEdit* box, const std::vector<std::string>& lines);
void ShowChecked(QCheckBox* box, bool checked);

} // namespace kelp
