#include "app/results_page.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/controls.h"
#include "app/qt_host.h"

namespace kelp {

ResultsTab::ResultsTab(AppContext& app, QWidget* parent)
    : Page(app, parent), text_(new QPlainTextEdit(this)), clear_(new QPushButton("Clear", this)),
      cut_(new QPushButton("Cut to Clipboard", this)), copy_(new QPushButton("Copy to Clipboard", this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(clear_);
    buttons->addWidget(cut_);
    buttons->addWidget(copy_);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(text_, 1);

    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setStyleSheet(QString("QPlainTextEdit { background: %1; }").arg(MemoBackground));
    text_->setTabStopDistance(120);
    text_->viewport()->installEventFilter(this);
    clear_->setToolTip("Empty the results text");
    cut_->setToolTip("Text shown above is copied to the clipboard and cleared, so you must paste it into a "
                     "spreadsheet or word-processor or it will be forever lost.");
    copy_->setToolTip("Copy all the text shown above to the clipboard");

    ResultsPage& results = app.host.Results();
    connect(clear_, &QPushButton::clicked, this, [&results] { results.Clear(); });
    connect(copy_, &QPushButton::clicked, this, [this, &results] {
        text_->selectAll();
        app_.host.SetClipboardText(results.CopyAll());
    });
    connect(cut_, &QPushButton::clicked, this, [this, &results] {
        text_->selectAll();
        app_.host.SetClipboardText(results.CutAll());
    });
    connect(text_, &QPlainTextEdit::textChanged, this, [this, &results] {
        if (editing_) return;
        editing_ = true;
        results.SetText(text_->toPlainText().toStdString());
        shownLines_ = results.Lines().size();
        editing_ = false;
    });
    results.OnChange = [this] { ShowResults(); };
    ShowResults();
}

ResultsTab::~ResultsTab() {
    app_.host.Results().OnChange = nullptr;
}

void ResultsTab::ShowResults() {
    if (editing_) return;
    editing_ = true;
    const auto& lines = app_.host.Results().Lines();
    if (lines.size() > shownLines_ && shownLines_ > 0) {
        for (std::size_t i = shownLines_; i < lines.size(); ++i) text_->appendPlainText(Q(lines[i]));
    } else if (lines.size() != shownLines_ || lines.empty()) {
        std::vector<std::string> copy(lines.begin(), lines.end());
        text_->setPlainText({});
        ShowLines(text_, copy);
    }
    shownLines_ = lines.size();
    editing_ = false;
}

bool ResultsTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        app_.host.Results().ClearByDoubleClick();
        return true;
    }
    return Page::eventFilter(watched, event);
}

} // namespace kelp
