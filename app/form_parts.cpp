#include "app/form_parts.h"

#include <algorithm>

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/page.h"
#include "app/qt_host.h"

namespace kelp {
namespace {

constexpr int GapMargin = 3;     // pixels between a box and the words around it
constexpr int MinimumBlanks = 3; // a shorter run of blanks separates words, it holds no box
constexpr int WordBoxGap = 4;

int BoxHeight(const QLineEdit* box) {
    return box->sizeHint().height();
}

} // namespace

GapCaption::GapCaption(const QString& caption, QLineEdit* box, QWidget* parent)
    : QWidget(parent), label_(new QLabel(caption, this)), box_(box) {
    box_->setParent(this);
    int bestStart = -1;
    int bestLength = 0;
    for (int i = 0; i < caption.size();) {
        if (caption[i] != ' ') {
            ++i;
            continue;
        }
        int j = i;
        while (j < caption.size() && caption[j] == ' ') ++j;
        if (j - i > bestLength) {
            bestStart = i;
            bestLength = j - i;
        }
        i = j;
    }
    if (bestLength >= MinimumBlanks) {
        before_ = caption.left(bestStart);
        gap_ = caption.mid(bestStart, bestLength);
    } else {
        before_ = caption;
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    Place();
}

QSize GapCaption::sizeHint() const {
    const int height = std::max(label_->sizeHint().height(), BoxHeight(box_));
    if (!gap_.isEmpty()) return {label_->sizeHint().width(), height};
    return {label_->sizeHint().width() + GapMargin * 2 + box_->width(), height};
}

void GapCaption::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Place();
}

void GapCaption::Place() {
    const QFontMetrics metrics(label_->font());
    const QSize hint = sizeHint();
    label_->setGeometry(0, (hint.height() - label_->sizeHint().height()) / 2, label_->sizeHint().width(),
                        label_->sizeHint().height());
    int left = label_->sizeHint().width() + GapMargin;
    if (!gap_.isEmpty()) {
        // In the middle of the blanks.
        const int gap = metrics.horizontalAdvance(gap_);
        left = metrics.horizontalAdvance(before_) + std::max(GapMargin, (gap - box_->width()) / 2);
    }
    box_->setGeometry(left, (hint.height() - BoxHeight(box_)) / 2, box_->width(), BoxHeight(box_));
}

WordBoxes::WordBoxes(const QString& caption, const std::vector<QLineEdit*>& boxes, QWidget* parent)
    : QWidget(parent), label_(new QLabel(caption, this)), boxes_(boxes) {
    for (int i = 0; i < caption.size(); ++i)
        if (caption[i] != ' ' && (i == 0 || caption[i - 1] == ' ')) wordStarts_.push_back(i);
    for (QLineEdit* box : boxes_) box->setParent(this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

std::vector<int> WordBoxes::Lefts() const {
    const QFontMetrics metrics(label_->font());
    const QString caption = label_->text();
    std::vector<int> lefts;
    int next = 0;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const int word =
            i < wordStarts_.size() ? metrics.horizontalAdvance(caption.left(wordStarts_[i])) : next;
        const int left = std::max(word, next);
        lefts.push_back(left);
        next = left + boxes_[i]->width() + WordBoxGap;
    }
    return lefts;
}

QSize WordBoxes::sizeHint() const {
    const std::vector<int> lefts = Lefts();
    int width = label_->sizeHint().width();
    int boxHeight = 0;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        width = std::max(width, lefts[i] + boxes_[i]->width());
        boxHeight = std::max(boxHeight, BoxHeight(boxes_[i]));
    }
    return {width, label_->sizeHint().height() + 1 + boxHeight};
}

void WordBoxes::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    label_->setGeometry(0, 0, label_->sizeHint().width(), label_->sizeHint().height());
    const std::vector<int> lefts = Lefts();
    const int top = label_->sizeHint().height() + 1;
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        boxes_[i]->setGeometry(lefts[i], top, boxes_[i]->width(), BoxHeight(boxes_[i]));
}

QPlainTextEdit* MakeReportList(QWidget* parent, const QString& hint) {
    auto* list = new QPlainTextEdit(parent);
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setStyleSheet(QString("QPlainTextEdit { background: %1; }").arg(MemoBackground));
    list->setTabStopDistance(QFontMetrics(list->font()).horizontalAdvance(QString(8, 'x')));
    if (!hint.isEmpty()) list->setToolTip(hint);
    return list;
}

QPushButton* MakeButton(const QString& caption, const QString& hint, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    if (!hint.isEmpty()) button->setToolTip(hint);
    return button;
}

QLineEdit* MakeEntry(QWidget* parent, int widthChars, int maxLength) {
    auto* box = new QLineEdit(parent);
    if (maxLength > 0) box->setMaxLength(maxLength);
    const QFontMetrics metrics(box->font());
    box->setFixedWidth(metrics.horizontalAdvance(QString(widthChars, '0')) + 12);
    return box;
}

PageProgress::PageProgress(QtHost& host, QLabel* label, QProgressBar* bar)
    : host_(host), label_(host.OnProgressLabel), bar_(host.OnProgressBar) {
    host_.OnProgressLabel = [previous = label_, label](const std::string& text) {
        if (previous) previous(text);
        label->setText(QString::fromStdString(text));
    };
    host_.OnProgressBar = [previous = bar_, bar](bool visible, int position) {
        if (previous) previous(visible, position);
        bar->setVisible(visible);
        bar->setValue(position);
    };
}

PageProgress::~PageProgress() {
    host_.OnProgressLabel = label_;
    host_.OnProgressBar = bar_;
}

} // namespace kelp
