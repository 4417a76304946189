#pragma once
// The display on the "Files - View" page: it paints the display's canvas with the window
// controls drawn over it (the same picture "kelp-cli render" writes), lays the display out
// again when its size changes, and answers clicks on the scale and parameter captions. The
// source box, the "Y scale" and "KL1/" boxes, the read-outs and the progress bar lie over
// the picture as real controls, so that texts can be typed, selected and copied.
#include <functional>
#include <memory>
#include <string>

#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include "display/display_link.h"
#include "display/display_state.h"
#include "render/image_canvas.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;

namespace kelp {

class Program;
class QtHost;
struct AppContext;

class DisplayWidget : public QWidget {
    Q_OBJECT
public:
    explicit DisplayWidget(AppContext& app, QWidget* parent = nullptr);
    ~DisplayWidget() override;

    DisplayContext Context();
    DisplayState& State();
    ImageCanvas& Canvas() { return canvas_; }

    // The picture as painted: the canvas with the captions, legend strip, slider, labels
    // and source box drawn over it.
    QImage FrameImage();

    // Start-up of the display for the widget's present size.
    void Start();
    // Takes the widget's size now (a resize is otherwise taken a moment later, and not while
    // a screen is drawn or an operation runs).
    void ApplySize();
    // Files were opened or closed from the window: the first screen after the first file
    // opened starts at its start; later the screen is drawn again from the same start.
    void AfterFilesChanged();
    // Draws the screen in view again, from the same start.
    void RedrawScreen();
    // Draws the screen again a moment after the last of a run of changes (typing in a box).
    void RedrawSoon();

    // Runs a command of the display as a command of the window. While a screen is being
    // drawn, that screen is asked to stop and the command runs as soon as it has; while
    // another operation runs, the command is dropped (false).
    bool RunDisplayCommand(const std::function<void()>& command);

    // Clicking a scale caption, "-All-" or a parameter caption; each draws the screen.
    void ClickScaleCaption(int scale);
    void ClickShowAll();
    void ClickParameterCaption(int parameter);
    // Where the captions lie (in widget coordinates).
    QRect ScaleCaptionRect(int scale) const;
    QRect ShowAllRect() const;
    QRect ParameterCaptionRect(int parameter) const;

    // Brings the overlaid controls up to date with the program's texts.
    void UpdateTexts();
    void SetProgressBar(bool visible, int position);
    // Large grey text over the plot (a map file being made); "" removes it.
    void SetNotice(const std::string& text);
    const std::string& Notice() const { return notice_; }

    QPlainTextEdit* SourceBox() const { return sourceBox_; }
    QLineEdit* YScaleBox() const { return yScale_; }
    QLineEdit* Kl1DivisorBox() const { return kl1Divisor_; }
    QProgressBar* ProgressBar() const { return progressBar_; }
    QLabel* ShowAsLabel() const { return showAs_; }
    QLabel* Kl1DivisorLabel() const { return kl1Caption_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void TakeSize();
    void PlaceOverlays();
    void YScaleEdited(const QString& text);
    void Kl1DivisorEdited(const QString& text);

    AppContext& app_;
    Program& program_;
    QtHost& host_;
    ImageCanvas canvas_;
    std::unique_ptr<DisplayHooks> hooks_;
    bool started_ = false;
    bool screenDrawn_ = false; // a screen has been drawn since the first file opened
    std::string notice_;
    QTimer resizeTimer_;
    QTimer redrawTimer_;
    QTimer pendingTimer_;
    std::function<void()> pending_; // waits for the screen being drawn to stop

    QPlainTextEdit* sourceBox_;
    QWidget* scalePanel_;
    QLineEdit* yScale_;
    QLabel* kl1Caption_;
    QLineEdit* kl1Divisor_;
    QLabel* readPosition_;
    QLabel* showAs_;
    QLabel* dataPosition_;
    QProgressBar* progressBar_;
};

} // namespace kelp
