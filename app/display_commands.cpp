#include "app/display_commands.h"

#include <optional>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "app/controls.h"
#include "app/display_widget.h"
#include "app/pointer_menu.h"
#include "app/qt_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "display/command_state.h"
#include "display/commands.h"
#include "display/controls.h"
#include "display/geometry.h"
#include "display/navigation.h"
#include "display/pointer.h"
#include "display/screen.h"
#include "display/seek.h"
#include "files/file_utilities.h"

namespace kelp {

namespace {

constexpr int MenuRearmMs = 750;

std::optional<DisplayKey> DisplayKeyOf(int key) {
    switch (key) {
    case Qt::Key_Escape:
        return DisplayKey::Escape;
    case Qt::Key_End:
        return DisplayKey::End;
    case Qt::Key_Home:
        return DisplayKey::Home;
    case Qt::Key_Left:
        return DisplayKey::Left;
    case Qt::Key_Right:
        return DisplayKey::Right;
    case Qt::Key_Down:
        return DisplayKey::Down;
    case Qt::Key_Up:
        return DisplayKey::Up;
    case Qt::Key_C:
        return DisplayKey::C;
    case Qt::Key_F:
        return DisplayKey::F;
    case Qt::Key_G:
        return DisplayKey::G;
    case Qt::Key_S:
        return DisplayKey::S;
    case Qt::Key_T:
        return DisplayKey::T;
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<DisplayKey>(static_cast<int>(DisplayKey::F1) + (key - Qt::Key_F1));
    return std::nullopt;
}

bool IsFunctionKey(DisplayKey key) {
    return key >= DisplayKey::F1 && key <= DisplayKey::F12;
}

// Typing in a box keeps its keys (all but ESC and the function keys).
bool IsTextEntry(const QWidget* w) {
    if (w == nullptr) return false;
    if (const auto* line = qobject_cast<const QLineEdit*>(w)) return !line->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(w)) return !plain->isReadOnly();
    if (const auto* rich = qobject_cast<const QTextEdit*>(w)) return !rich->isReadOnly();
    return w->inherits("QAbstractSpinBox") || w->inherits("QComboBox");
}

QPushButton* Button(const QString& text, const QString& hint, QWidget* parent, int width = 0) {
    auto* b = new QPushButton(text, parent);
    b->setToolTip(hint);
    // The keyboard stays with the display: the arrow keys page it, not the buttons.
    b->setFocusPolicy(Qt::NoFocus);
    if (width > 0) b->setFixedWidth(width);
    return b;
}

QImage ToQImage(const CanvasImage& image) {
    QImage out(std::max(1, image.Width), std::max(1, image.Height), QImage::Format_RGB32);
    out.fill(Qt::white);
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x) {
            const Colour c = image.At(x, y);
            out.setPixel(x, y, qRgb(RedOf(c), GreenOf(c), BlueOf(c)));
        }
    return out;
}

} // namespace

DisplayCommandPanel::DisplayCommandPanel(AppContext& app, QWidget* parent) : QWidget(parent), app_(app) {
    // One row under the display: paging, the drawing's own buttons, the seek, "go".
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(18, 2, 4, 2);
    row->setSpacing(2);
    start_ = Button("I>", "Start from the beginning (Home)", this, 30);
    back_ = Button("<", "Previous screen (Shift + F1)", this, 26);
    goOn_ = Button(">", "Next screen (F1)", this, 26);
    fastForward_ = Button(">>", "Fast forward: press again to go faster.  ESC or || stops it", this, 30);
    stop_ = Button("||", "Stop", this, 26);
    refresh_ = Button("refresh", "Draw the screen again (F12)", this);
    stopTransfer_ = Button("Stop data transfer", "End the drawing in progress", this);
    sound_ = Button("sound", "Play the clicks of the screen (right-click the file's band first)", this);
    for (QPushButton* b : {start_, back_, goOn_, fastForward_, stop_, refresh_, stopTransfer_, sound_})
        row->addWidget(b);
    row->addSpacing(8);

    seekLabel_ = new ClickLabel(SeekCaption, this);
    seekLabel_->setToolTip("Click: count only trains of quality Mod and Hi (\"CetAll\"), or all clicks");
    seekMinimum_ = new QLineEdit(this);
    seekMinimum_->setFixedWidth(40);
    seekMinimum_->setToolTip("The next screen shown holds more clicks than this in the file ticked");
    row->addWidget(seekLabel_);
    row->addWidget(seekMinimum_);
    for (int slot = 1; slot <= SlotCount; ++slot) {
        auto* box = new QCheckBox(QString::number(slot), this);
        box->setFocusPolicy(Qt::NoFocus);
        box->setToolTip("Seek in file " + QString::number(slot));
        seekBoxes_[static_cast<std::size_t>(slot)] = box;
        row->addWidget(box);
    }
    seekUp_ = Button("up", "More clicks per screen (twice as many)", this, 30);
    seekDown_ = Button("down", "Fewer clicks per screen (half as many)", this, 40);
    row->addWidget(seekUp_);
    row->addWidget(seekDown_);
    row->addSpacing(8);

    goBox_ = new QLineEdit(this);
    // The hint leaves out the fraction of a second, which may be typed too; the box is as wide
    // as the whole hint and the frame's margins.
    goBox_->setPlaceholderText("dd/mm/yyyy hh:mm:ss");
    goBox_->setToolTip("A time to show at the centre of the screen: dd/mm/yyyy hh:mm:ss.ffffff "
                       "(seconds and fraction may be left out)");
    goBox_->setMinimumWidth(goBox_->fontMetrics().horizontalAdvance(goBox_->placeholderText()) + 16);
    go_ = Button("go", "Show the time typed", this, 30);
    row->addWidget(goBox_, 1);
    row->addWidget(go_);

    connect(start_, &QPushButton::clicked, this, [this] { ClickStart(); });
    connect(back_, &QPushButton::clicked, this, [this] { Run(kelp::BackButton); });
    connect(goOn_, &QPushButton::clicked, this, [this] { Run(kelp::GoOnButton); });
    connect(fastForward_, &QPushButton::clicked, this, [this] {
        if (DisplayCommandsOf(app_.program).FastForward.Running)
            RunNow(kelp::FastForwardButton);
        else
            Run(kelp::FastForwardButton);
    });
    connect(stop_, &QPushButton::clicked, this, [this] {
        RunNow(kelp::StopButton);
        app_.host.RequestStop();
    });
    connect(refresh_, &QPushButton::clicked, this,
            [this] { Run([](DisplayContext& ctx) { RefreshDisplay(ctx, true); }); });
    connect(stopTransfer_, &QPushButton::clicked, this, [this] { RunNow(StopDataTransfer); });
    connect(sound_, &QPushButton::clicked, this, [this] { Run(kelp::SoundButton); });
    connect(seekLabel_, &ClickLabel::clicked, this, [this] { Run(ToggleSeekQuality); });
    connect(seekMinimum_, &QLineEdit::textEdited, this, [this](const QString& text) {
        app_.program.Display.MinimumClicksPerScreen = text.toStdString();
    });
    for (int slot = 1; slot <= SlotCount; ++slot)
        connect(seekBoxes_[static_cast<std::size_t>(slot)], &QCheckBox::clicked, this, [this, slot](bool on) {
            if (!Run([slot, on](DisplayContext& ctx) { SetSeekBox(ctx, slot, on); })) Refresh();
        });
    connect(seekUp_, &QPushButton::clicked, this, [this] { Run(SeekUp); });
    connect(seekDown_, &QPushButton::clicked, this, [this] { Run(SeekDown); });
    connect(go_, &QPushButton::clicked, this, [this] { ClickGo(); });
    connect(goBox_, &QLineEdit::returnPressed, this, [this] { ClickGo(); });

    menu_ = new PointerMenu(*this, app_, this);
    pendingTimer_.setSingleShot(true);
    pendingTimer_.setInterval(25);
    connect(&pendingTimer_, &QTimer::timeout, this, [this] {
        if (!pending_) return;
        auto command = std::move(pending_);
        pending_ = nullptr;
        Run(command);
    });
    rearmMenu_.setSingleShot(true);
    rearmMenu_.setInterval(MenuRearmMs);
    connect(&rearmMenu_, &QTimer::timeout, this, [this] { RearmMenuAutoShow(app_.program); });

    if (DisplayWidget* display = app_.display) {
        display->setMouseTracking(true);
        display->installEventFilter(this);
        display->Kl1DivisorLabel()->installEventFilter(this);
        display->Kl1DivisorLabel()->setToolTip(
            "Click: fit the divisor to the largest count of the screen.  Double-click: 20");
        const DisplayState& s = display->State();
        pointer_ = QPoint(s.PlotWidth / 2 + PlotLeft, s.Top + 10);
    }
    qApp->installEventFilter(this);
    Refresh();
}

DisplayCommandPanel::~DisplayCommandPanel() {
    qApp->removeEventFilter(this);
}

bool DisplayCommandPanel::Run(const std::function<void(DisplayContext&)>& command) {
    DisplayWidget* display = app_.display;
    if (display == nullptr) return false;
    // A screen being drawn gives way: it stops at its next check and the command follows.
    DisplayState& s = display->State();
    if (s.Drawing && !DisplayCommandsOf(app_.program).FastForward.Running) {
        RequestNewDrawing(s);
        pending_ = command;
        pendingTimer_.start();
        return true;
    }
    const bool ran = app_.RunCommand([display, &command] {
        DisplayContext ctx = display->Context();
        command(ctx);
    });
    if (!ran) return false;
    // A notice of the command (a map file being made) has had its time once the command is done.
    display->SetNotice({});
    Refresh();
    return true;
}

void DisplayCommandPanel::RunNow(const std::function<void(DisplayContext&)>& command) {
    DisplayWidget* display = app_.display;
    if (display == nullptr) return;
    DisplayContext ctx = display->Context();
    command(ctx);
    Refresh();
}

void DisplayCommandPanel::Refresh() {
    Program& p = app_.program;
    const DisplayState& s = DisplayStateOf(p);
    seekLabel_->setText(Q(SeekLabelCaption(p)));
    ShowText(seekMinimum_, p.Display.MinimumClicksPerScreen);
    const bool clickScale = !IsLowResolution(s.TimeScale);
    for (int slot = 1; slot <= SlotCount; ++slot) {
        QCheckBox* box = seekBoxes_[static_cast<std::size_t>(slot)];
        ShowChecked(box, p.Seek[static_cast<std::size_t>(slot)].Ticked);
        box->setEnabled(clickScale && p.Slot(slot).IsOpen);
    }
    for (QWidget* w : {static_cast<QWidget*>(seekLabel_), static_cast<QWidget*>(seekMinimum_),
                       static_cast<QWidget*>(seekUp_), static_cast<QWidget*>(seekDown_)})
        w->setEnabled(clickScale);
    if (app_.display != nullptr) app_.display->UpdateTexts();
}

void DisplayCommandPanel::FilesChanged() {
    if (app_.display != nullptr) app_.display->AfterFilesChanged();
    Refresh();
}

void DisplayCommandPanel::OpenFromDisplay(bool fileSet) {
    app_.RunCommand([this, fileSet] {
        if (fileSet)
            OpenFileSet(app_.program, app_.host);
        else
            OpenFiles(app_.program, app_.host);
        FilesChanged();
    });
}

void DisplayCommandPanel::ClickStart() {
    if (app_.program.OpenCount() == 0)
        OpenFromDisplay(false);
    else
        Run(kelp::StartButton);
}

void DisplayCommandPanel::ClickGo() {
    const std::string text = goBox_->text().toStdString();
    GoResult result = GoResult::Shown;
    if (Run([&text, &result](DisplayContext& ctx) { result = GoToTime(ctx, text); }) &&
        result == GoResult::ClearEntry)
        goBox_->clear();
}

KeyAction DisplayCommandPanel::KeyReleased(DisplayKey key, bool shift) {
    KeyAction action = KeyAction::Ignored;
    const int x = pointer_.x();
    const int y = pointer_.y();
    const bool ran = Run([&](DisplayContext& ctx) { action = DisplayKeyReleased(ctx, key, shift, x, y); });
    if (!ran && (key == DisplayKey::Escape || key == DisplayKey::F)) {
        // While a command runs, ESC and F still ask it to stop.
        RunNow([](DisplayContext& ctx) {
            DisplayCommands& c = DisplayCommandsOf(ctx.program);
            c.StopRequest = true;
            c.FastForward.Running = false;
        });
        action = KeyAction::Done;
    }
    AfterKey(action);
    return action;
}

void DisplayCommandPanel::AfterKey(KeyAction action) {
    switch (action) {
    case KeyAction::ShowResultsPage:
        if (app_.ShowPage) app_.ShowPage("Results");
        break;
    case KeyAction::CaptureScreen:
        CopyScreenCapture();
        break;
    case KeyAction::AppendToSpikeFile:
        AppendSelectionToSpikeFile();
        break;
    default:
        break;
    }
}

void DisplayCommandPanel::CopyScreenCapture() {
    CanvasImage image;
    if (Run([&image](DisplayContext& ctx) { image = CaptureScreen(ctx); }))
        QGuiApplication::clipboard()->setImage(ToQImage(image));
}

void DisplayCommandPanel::AppendSelectionToSpikeFile() {
    Run([this](DisplayContext& ctx) {
        DisplayState& s = ctx.state;
        SpikeRequest request;
        request.BandSlot = BandAt(s, ctx.program, s.SelectedY);
        request.ScreenStart = SubtractDisplayTime(s.ReadPosition, s.Span).Minute;
        const ClickTime saved = s.ReadPosition;
        request.RestoreAndRedraw = [&ctx, saved] {
            ctx.state.ReadPosition = saved;
            RefreshDisplay(ctx, false);
        };
        AppendToSpikeFile(ctx.program, ctx.host, request);
    });
}

bool DisplayCommandPanel::eventFilter(QObject* watched, QEvent* event) {
    DisplayWidget* display = app_.display;
    if (display != nullptr) {
        if (watched == display) return MouseEvent(event) || QWidget::eventFilter(watched, event);
        if (watched == display->Kl1DivisorLabel()) {
            // A double-click is a click, the double-click and a second release: that release
            // must not fit the divisor again over the "20" of the double-click.
            if (event->type() == QEvent::MouseButtonRelease) {
                if (!kl1DoubleClicked_) Run(Kl1DivisorLabelClicked);
                kl1DoubleClicked_ = false;
                return true;
            }
            if (event->type() == QEvent::MouseButtonDblClick) {
                kl1DoubleClicked_ = true;
                Run(Kl1DivisorLabelDoubleClicked);
                return true;
            }
        }
    }
    // Over the source box and the display's other boxes the pointer is still followed, so
    // that keys typed there leave the display alone.
    auto* child = qobject_cast<QWidget*>(watched);
    if (display != nullptr && event->type() == QEvent::MouseMove && child != nullptr && child != display &&
        display->isAncestorOf(child))
        pointer_ = child->mapTo(display, static_cast<QMouseEvent*>(event)->position().toPoint());
    if (KeyEvent(watched, event)) return true;
    return QWidget::eventFilter(watched, event);
}

bool DisplayCommandPanel::KeyEvent(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    DisplayWidget* display = app_.display;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (display == nullptr || widget == nullptr || widget->window() != display->window()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const std::optional<DisplayKey> k = DisplayKeyOf(key->key());
    if (!k) return false;
    if (*k != DisplayKey::Escape && !IsFunctionKey(*k) &&
        (IsTextEntry(widget) || IsTextEntry(QApplication::focusWidget())))
        return false;
    const DisplayState& s = display->State();
    const bool acts = pointer_.y() < s.Bottom + controls_layout::SourceBoxBelow &&
                      (!s.MenuPagesVisible || IsFunctionKey(*k));
    // The display acts when a key is let go; the press is kept from the controls (the
    // arrows would move the focus or turn the tabs). ESC goes on to the running operation.
    if (type == QEvent::KeyPress) return acts && *k != DisplayKey::Escape;
    if (key->isAutoRepeat() || !acts) return false;
    KeyReleased(*k, (key->modifiers() & Qt::ShiftModifier) != 0);
    return *k != DisplayKey::Escape;
}

bool DisplayCommandPanel::MouseEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    DisplayWidget* display = app_.display;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    const int x = at.x();
    const int y = at.y();
    DisplayState& s = display->State();
    Program& p = app_.program;
    DisplayCommands& c = DisplayCommandsOf(p);
    const bool inPlot = x > PlotLeft && x < s.Right && y > s.Top && y < s.Bottom;
    if (type == QEvent::MouseMove) {
        pointer_ = at;
        DisplayContext ctx = display->Context();
        if (PointerMoved(ctx, x, y) == PointerMoveResult::ShowMenuPages) {
            if (app_.ShowPage) app_.ShowPage("view +");
            rearmMenu_.start();
        }
        display->UpdateTexts();
        return false;
    }
    if (type == QEvent::MouseButtonDblClick) {
        if (mouse->button() == Qt::LeftButton) {
            DisplayContext ctx = display->Context();
            DoubleClicked(ctx, y);
        }
        return false;
    }
    if (type == QEvent::MouseButtonPress) {
        pointer_ = at;
        if (mouse->button() == Qt::RightButton) {
            if (p.OpenCount() == 0) {
                if (inPlot) OpenFromDisplay(true);
                return inPlot;
            }
            DisplayContext ctx = display->Context();
            if (RightClicked(ctx, x, y)) menu_->Open(mouse->globalPosition().toPoint());
            return true;
        }
        if (mouse->button() != Qt::LeftButton) return false;
        if (p.OpenCount() == 0) {
            if (inPlot) OpenFromDisplay(false);
            return inPlot;
        }
        if (OnSlider(s, x, y)) {
            if (!p.Options.Busy && !s.Drawing) {
                DisplayContext ctx = display->Context();
                SliderPressed(ctx, x);
                display->update();
            }
            return true;
        }
        if (OnLongBar(s, x, y)) {
            longBarPressed_ = true;
            return true;
        }
        DisplayContext ctx = display->Context();
        PointerPressed(ctx, x, y);
        return false;
    }
    // Release of the left button.
    if (mouse->button() != Qt::LeftButton) return false;
    if (c.SliderDragging) {
        if (!Run(SliderReleased)) {
            c.SliderDragging = false;
            s.SliderCaption.clear();
            DisplayContext ctx = display->Context();
            UpdateSlider(ctx);
            display->update();
        }
        return true;
    }
    if (longBarPressed_) {
        longBarPressed_ = false;
        if (OnLongBar(s, x, y)) Run([x](DisplayContext& ctx) { LongBarClicked(ctx, x); });
        return true;
    }
    if (c.DragStartX != 0 && !Run([x, y](DisplayContext& ctx) { PointerReleased(ctx, x, y); }))
        c.DragStartX = 0;
    return false;
}

} // namespace kelp
