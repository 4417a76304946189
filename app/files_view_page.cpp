#include "app/files_view_page.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/display_commands.h"
#include "app/display_widget.h"
#include "app/file_controls.h"
#include "app/filter_controls.h"
#include "app/qt_host.h"
#include "core/program.h"
#include "display/display_state.h"
#include "display/legends.h"
#include "display/y_scale.h"

namespace kelp {

namespace {
// The scale captions, "-All-" and the resolution label take this much of the display's width.
constexpr int DisplayMinimumWidth = 940;
} // namespace

FilesViewPage::FilesViewPage(AppContext& app, QWidget* parent)
    : Page(app, parent), display_(new DisplayWidget(app, this)) {
    app.display = display_;
    // Below the width that the scale captions need, the page scrolls sideways.
    display_->setMinimumWidth(DisplayMinimumWidth);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* pageScroll = new QScrollArea(this);
    pageScroll->setWidgetResizable(true);
    pageScroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(pageScroll);
    auto* inner = new QWidget;
    pageScroll->setWidget(inner);
    auto* layout = new QHBoxLayout(inner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The display with its row of commands under it.
    auto* displayColumn = new QVBoxLayout;
    displayColumn->setContentsMargins(0, 0, 0, 0);
    displayColumn->setSpacing(0);
    displayColumn->addWidget(display_, 1);
    commands_ = new DisplayCommandPanel(app, inner);
    displayColumn->addWidget(commands_);
    layout->addLayout(displayColumn, 1);

    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(4, 4, 8, 4);
    sideLayout->setSpacing(4);
    files_ = new FileControls(app, side);
    filters_ = new FilterControls(app, side);
    sideLayout->addWidget(files_);
    sideLayout->addWidget(filters_);
    sideLayout->addStretch();
    auto* scroll = new QScrollArea(inner);
    scroll->setWidget(side);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFrameShape(QFrame::NoFrame);
    // As wide as its widest row of captions, with room for the scroll bar.
    scroll->setFixedWidth(side->minimumSizeHint().width() + scroll->verticalScrollBar()->sizeHint().width());
    layout->addWidget(scroll);
}

void FilesViewPage::Refresh(const std::string&) {
    files_->Refresh();
    filters_->Refresh();
    // The seek boxes follow the files open and the scale.
    if (commands_ != nullptr) commands_->Refresh();
    display_->UpdateTexts();
}

void FilesViewPage::RunChangeHandlers() {
    filters_->RunChangeHandlers();
    DisplayContext ctx = display_->Context();
    DisplayState& s = ctx.state;
    SetKl1Divisor(ctx, s.Settings.Kl1DivisorText);
    // The Y scale box sets the click-rate and ICI scales too.
    SetYScale(ctx, s.Settings.YScaleText);
    s.ClickRateScale = s.YScale;
    s.IciScale = s.YScale;
    SetShowSplAsPa(ctx, app_.program.Options.ShowSplAsPa);
    display_->UpdateTexts();
}

} // namespace kelp
