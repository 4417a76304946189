#include "app/display_widget.h"

#include <algorithm>

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QResizeEvent>

#include "app/controls.h"
#include "app/page.h"
#include "app/qt_host.h"
#include "core/program.h"
#include "display/controls.h"
#include "display/geometry.h"
#include "display/legends.h"
#include "display/navigation.h"
#include "display/screen.h"
#include "display/time_scales.h"
#include "display/y_scale.h"

namespace kelp {
namespace {

namespace L = controls_layout;

// The width of a caption in the canvas's caption font.
int CaptionWidth(const std::string& text) {
    static ImageCanvas measure(1, 1);
    measure.SetFontSize(7);
    return measure.TextWidth(text);
}

constexpr int CaptionHeight = 11;
constexpr int OverlayRowHeight = 17;

// Where the source box lies under the plot (as the canvas draws it).
QRect SourceBoxRect(const DisplayState& s) {
    const int top = s.Bottom + L::SourceBoxBelow;
    const int right = PlotLeft + std::min(640, (s.Right - PlotLeft) * 2 / 3);
    return QRect(PlotLeft, top, right - PlotLeft, L::SourceBoxLines * L::SourceBoxLineStep + 4);
}

void SetTextKeepingCursor(QLineEdit* edit, const std::string& text) {
    const QString t = Q(text);
    if (edit->text() == t) return;
    const int cursor = edit->cursorPosition();
    edit->setText(t);
    edit->setCursorPosition(std::min<int>(cursor, t.size()));
}

} // namespace

DisplayWidget::DisplayWidget(AppContext& app, QWidget* parent)
    : QWidget(parent), app_(app), program_(app.program), host_(app.host),
      canvas_(DefaultClientWidth, DefaultClientHeight),
      hooks_(std::make_unique<DisplayHooks>(app.program, canvas_, app.host)),
      sourceBox_(new QPlainTextEdit(this)), scalePanel_(new QWidget(this)),
      yScale_(new QLineEdit(scalePanel_)), kl1Caption_(new QLabel(scalePanel_)),
      kl1Divisor_(new QLineEdit(scalePanel_)), readPosition_(new QLabel(scalePanel_)),
      showAs_(new QLabel(this)), dataPosition_(new QLabel(this)), progressBar_(new QProgressBar(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(MinimumClientWidth, MinimumClientHeight);

    QFont small = font();
    small.setPixelSize(11);
    QFont boxFont = font();
    boxFont.setPixelSize(10);
    sourceBox_->setReadOnly(true);
    sourceBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
    sourceBox_->setFont(boxFont);
    sourceBox_->document()->setDocumentMargin(0);
    sourceBox_->setContentsMargins(2, 1, 1, 1);
    sourceBox_->setFrameShape(QFrame::Box);
    sourceBox_->setStyleSheet(
        "QPlainTextEdit { background: white; color: black; border: 1px solid #808080; }");
    sourceBox_->setToolTip("Information on the current display; it can be selected and copied");

    scalePanel_->setAutoFillBackground(true);
    auto* yLabel = new QLabel("Y scale", scalePanel_);
    for (QWidget* w :
         {static_cast<QWidget*>(yLabel), static_cast<QWidget*>(yScale_), static_cast<QWidget*>(kl1Caption_),
          static_cast<QWidget*>(kl1Divisor_), static_cast<QWidget*>(readPosition_)})
        w->setFont(small);
    yLabel->setGeometry(0, 0, 50, OverlayRowHeight);
    yScale_->setGeometry(52, 0, 70, OverlayRowHeight);
    kl1Caption_->setGeometry(0, OverlayRowHeight + 1, 50, OverlayRowHeight);
    kl1Divisor_->setGeometry(52, OverlayRowHeight + 1, 70, OverlayRowHeight);
    readPosition_->setGeometry(0, 2 * (OverlayRowHeight + 1), 150, OverlayRowHeight);
    yScale_->setToolTip("Pixels per unit of the value shown (per click per minute on the bin scales)");
    kl1Divisor_->setToolTip("The counts of KL1 and KL2 files in the bin views are divided by this");
    readPosition_->setToolTip("The minute number at the end of the screen");
    connect(yScale_, &QLineEdit::textEdited, this, &DisplayWidget::YScaleEdited);
    connect(kl1Divisor_, &QLineEdit::textEdited, this, &DisplayWidget::Kl1DivisorEdited);

    showAs_->setFont(small);
    dataPosition_->setFont(small);
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    progressBar_->hide();

    resizeTimer_.setSingleShot(true);
    resizeTimer_.setInterval(60);
    connect(&resizeTimer_, &QTimer::timeout, this, &DisplayWidget::ApplySize);
    redrawTimer_.setSingleShot(true);
    redrawTimer_.setInterval(400);
    // A redraw that finds another command running waits for it.
    connect(&redrawTimer_, &QTimer::timeout, this, [this] {
        if (!RunDisplayCommand([this] { RedrawScreen(); })) redrawTimer_.start();
    });
    pendingTimer_.setSingleShot(true);
    pendingTimer_.setInterval(25);
    connect(&pendingTimer_, &QTimer::timeout, this, [this] {
        if (!pending_) return;
        auto command = std::move(pending_);
        pending_ = nullptr;
        RunDisplayCommand(command);
    });
}

DisplayWidget::~DisplayWidget() = default;

DisplayContext DisplayWidget::Context() {
    return DisplayContext(program_, canvas_, host_);
}

DisplayState& DisplayWidget::State() {
    return DisplayStateOf(program_);
}

QImage DisplayWidget::FrameImage() {
    ImageCanvas frame(canvas_.Image());
    DisplayContext ctx(program_, frame, host_);
    WindowTexts texts;
    texts.SourceBox = program_.SourceBox;
    texts.TitleLabel = program_.Display.TitleLabel;
    texts.ProgressLabel = program_.ProgressLabel;
    texts.ClickCountLabel = program_.ClickCountLabel;
    DrawWindowControls(ctx, texts);
    return frame.Image();
}

void DisplayWidget::Start() {
    const int w = std::max(width(), MinimumClientWidth);
    const int h = std::max(height(), MinimumClientHeight);
    canvas_.Resize(w, h);
    DisplayContext ctx = Context();
    StartDisplay(ctx, w, h);
    started_ = true;
    PlaceOverlays();
    UpdateTexts();
    update();
}

bool DisplayWidget::RunDisplayCommand(const std::function<void()>& command) {
    DisplayState& s = DisplayStateOf(program_);
    if (s.Drawing) {
        RequestNewDrawing(s);
        pending_ = command;
        pendingTimer_.start();
        return true;
    }
    const bool ran = app_.RunCommand ? app_.RunCommand(command) : (command(), true);
    // The screen drawn by the command covers a notice shown on the way (a map file being made).
    if (ran) SetNotice({});
    return ran;
}

void DisplayWidget::ApplySize() {
    if (!started_) return;
    const DisplayState& s = DisplayStateOf(program_);
    if (s.Drawing || program_.Options.Busy || (app_.CommandRunning && app_.CommandRunning())) {
        resizeTimer_.start();
        return;
    }
    RunDisplayCommand([this] { TakeSize(); });
}

void DisplayWidget::TakeSize() {
    const int w = std::max(width(), MinimumClientWidth);
    const int h = std::max(height(), MinimumClientHeight);
    DisplayState& s = State();
    if (canvas_.Width() == w && canvas_.Height() == h) return;
    // The screen keeps its start when the display is laid out again.
    const ClickTime start = PixelToTime(s, PlotLeft);
    canvas_.Resize(w, h);
    // A new layout starts from a clean picture, so that nothing of the old one stays behind.
    if (RightEdgeFor(w) != s.Right || h != s.ClientHeight) {
        canvas_.SetBrushColour(ColourWindowFace);
        canvas_.FillRect(0, 0, w, h);
    }
    DisplayContext ctx = Context();
    const bool recomputed = ResizeDisplay(ctx, w, h);
    if (OpenBandCount(program_) > 0 && screenDrawn_) {
        if (recomputed) s.ReadPosition = AddDisplayTime(start, s.Span);
        RedrawScreen();
    }
    PlaceOverlays();
    update();
}

void DisplayWidget::AfterFilesChanged() {
    if (OpenBandCount(program_) == 0) {
        screenDrawn_ = false;
        notice_.clear();
        UpdateTexts();
        update();
        return;
    }
    DisplayContext ctx = Context();
    if (!screenDrawn_)
        ShowAt(ctx, PlotLeft, ShowAtMode::FromReadPosition);
    else
        ShowAt(ctx, PlotLeft, ShowAtMode::RightOfPointer);
    screenDrawn_ = true;
    notice_.clear();
    UpdateTexts();
    update();
}

void DisplayWidget::RedrawScreen() {
    redrawTimer_.stop();
    if (OpenBandCount(program_) == 0) return;
    if (!screenDrawn_) {
        AfterFilesChanged();
        return;
    }
    DisplayContext ctx = Context();
    ShowAt(ctx, PlotLeft, ShowAtMode::RightOfPointer);
    notice_.clear();
    UpdateTexts();
    update();
}

void DisplayWidget::RedrawSoon() {
    redrawTimer_.start();
}

void DisplayWidget::ClickScaleCaption(int scale) {
    DisplayContext ctx = Context();
    SelectScale(ctx, scale);
    if (OpenBandCount(program_) > 0) {
        // The new screen is centred on the time that was at the centre.
        DisplayState& s = State();
        s.ReadPosition = SubtractDisplayTime(s.ReadPosition, s.Span);
        ShowAt(ctx, PlotLeft, ShowAtMode::FromReadPosition);
        screenDrawn_ = true;
    }
    UpdateTexts();
    update();
}

void DisplayWidget::ClickShowAll() {
    DisplayContext ctx = Context();
    ShowAll(ctx);
    if (OpenBandCount(program_) > 0) {
        ShowAt(ctx, PlotLeft, ShowAtMode::FromReadPosition);
        screenDrawn_ = true;
    }
    UpdateTexts();
    update();
}

void DisplayWidget::ClickParameterCaption(int parameter) {
    DisplayState& s = State();
    const bool disabled = (parameter == param::Noise && !s.NoiseChoiceEnabled) ||
                          (parameter == param::Envelope && !s.EnvelopeChoiceEnabled);
    if (disabled || OpenBandCount(program_) == 0) return;
    // As the function keys choose them: kHz, cycles and SPL fit their Y scale to the band.
    const bool setYScale = parameter == param::Frequency || parameter == param::Spl ||
                           (parameter == param::Cycles && !IsLowResolution(s.TimeScale));
    DisplayContext ctx = Context();
    ShowParameter(ctx, parameter, setYScale);
    RedrawScreen();
}

QRect DisplayWidget::ScaleCaptionRect(int scale) const {
    const std::string caption = TimeScaleAt(scale).Caption;
    return QRect(PlotLeft + L::ScaleCaptionStep * scale, L::ScaleCaptionsY, CaptionWidth(caption) + 2,
                 CaptionHeight);
}

QRect DisplayWidget::ShowAllRect() const {
    return QRect(PlotLeft + L::ScaleCaptionStep * TimeScaleCount, L::ScaleCaptionsY,
                 CaptionWidth(ShowAllCaption) + 2, CaptionHeight);
}

QRect DisplayWidget::ParameterCaptionRect(int p) const {
    const DisplayState& s = DisplayStateOf(program_);
    const int column = std::max(150, (s.Right - PlotLeft) / 5);
    return QRect(PlotLeft + column * (p % 5), L::ParameterCaptionsY + L::ParameterCaptionRowStep * (p / 5),
                 CaptionWidth(ParameterCaption(p)) + 2, CaptionHeight);
}

void DisplayWidget::UpdateTexts() {
    const DisplayState& s = DisplayStateOf(program_);
    QStringList lines;
    for (const std::string& line : program_.SourceBox) lines << Q(line);
    const QString text = lines.join('\n');
    if (sourceBox_->toPlainText() != text) sourceBox_->setPlainText(text);
    SetTextKeepingCursor(yScale_, s.Settings.YScaleText);
    SetTextKeepingCursor(kl1Divisor_, s.Settings.Kl1DivisorText);
    kl1Caption_->setText(Q(s.Settings.Kl1DivisorCaption));
    readPosition_->setText(Q(s.ReadPositionLabel));
    showAs_->setText(Q(program_.ShowAsLabel));
    dataPosition_->setText(Q(program_.DataPositionLabel));
    update();
}

void DisplayWidget::SetProgressBar(bool visible, int position) {
    progressBar_->setVisible(visible);
    progressBar_->setValue(std::clamp(position, 0, 100));
}

void DisplayWidget::SetNotice(const std::string& text) {
    notice_ = text;
    update();
}

void DisplayWidget::PlaceOverlays() {
    const DisplayState& s = DisplayStateOf(program_);
    const QRect box = SourceBoxRect(s);
    sourceBox_->setGeometry(box);
    const int besideX = box.right() + 1 + 12;
    scalePanel_->setGeometry(besideX, box.top(), 150, box.height());
    const int readOutX = besideX + 160;
    const int readOutWidth = std::max(60, width() - readOutX - 4);
    showAs_->setGeometry(readOutX, box.top(), readOutWidth, OverlayRowHeight);
    dataPosition_->setGeometry(readOutX, box.top() + OverlayRowHeight + 1, readOutWidth, OverlayRowHeight);
    progressBar_->setGeometry(besideX, box.bottom() + 4, std::max(60, std::min(300, s.Right - besideX)), 10);
}

void DisplayWidget::YScaleEdited(const QString& text) {
    // A typed value is never dropped: it waits only for a screen being drawn to stop.
    auto take = [this, typed = text.toStdString()] {
        DisplayContext ctx = Context();
        SetYScale(ctx, typed);
        UpdateTexts();
        RedrawSoon();
    };
    if (DisplayStateOf(program_).Drawing)
        RunDisplayCommand(take);
    else
        take();
}

void DisplayWidget::Kl1DivisorEdited(const QString& text) {
    auto take = [this, typed = text.toStdString()] {
        DisplayContext ctx = Context();
        SetKl1Divisor(ctx, typed);
        UpdateTexts();
        RedrawSoon();
    };
    if (DisplayStateOf(program_).Drawing)
        RunDisplayCommand(take);
    else
        take();
}

void DisplayWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage frame = FrameImage();
    painter.fillRect(rect(), QColor(0xF0, 0xF0, 0xF0));
    painter.drawImage(0, 0, frame);
    if (!notice_.empty()) {
        const DisplayState& s = DisplayStateOf(program_);
        QFont big = font();
        big.setPixelSize(28);
        big.setBold(true);
        painter.setFont(big);
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawText(QRect(PlotLeft, s.Top, s.Right - PlotLeft, s.Bottom - s.Top), Qt::AlignCenter,
                         Q(notice_));
    }
}

void DisplayWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    resizeTimer_.start();
}

void DisplayWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    for (int scale = 0; scale < TimeScaleCount; ++scale) {
        if (ScaleCaptionRect(scale).contains(at)) {
            RunDisplayCommand([this, scale] { ClickScaleCaption(scale); });
            return;
        }
    }
    if (ShowAllRect().contains(at)) {
        RunDisplayCommand([this] { ClickShowAll(); });
        return;
    }
    for (int p = 0; p < param::Count; ++p) {
        if (ParameterCaptionRect(p).contains(at)) {
            RunDisplayCommand([this, p] { ClickParameterCaption(p); });
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

} // namespace kelp
