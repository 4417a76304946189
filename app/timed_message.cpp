#include "app/timed_message.h"

#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace kelp {

TTM::TTM(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), owner_(owner), message_(new QLabel(this)),
      ok_(new QPushButton("OK", this)), bar_(new QProgressBar(this)),
      hint_(new QLabel(TimedMessageHint, this)) {
    setWindowTitle("KELP message");
    setModal(true);
    setFixedSize(TimedMessageWidth, TimedMessageHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::white);
    setPalette(palette);

    message_->setGeometry(12, 6, 850, 66);
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    message_->setTextFormat(Qt::PlainText);
    message_->setStyleSheet("color: white;");
    ok_->setGeometry(878, 24, 80, 32);
    bar_->setGeometry(12, 80, 300, 14);
    bar_->setRange(0, 10);
    bar_->setTextVisible(false);
    hint_->setGeometry(326, 77, 500, 20);
    hint_->setStyleSheet("color: #c0c0c0;");

    messageTimer_.setSingleShot(true);
    progressTimer_.setInterval(500);
    connect(&messageTimer_, &QTimer::timeout, this, [this] {
        progressTimer_.stop();
        accept();
    });
    connect(&progressTimer_, &QTimer::timeout, this, &TTM::ProgressTick);
    connect(ok_, &QPushButton::clicked, this, &TTM::OkClicked);
    // Key preview: every key that reaches the window's controls is the window's.
    ok_->installEventFilter(this);
}

void TTM::ShowTimedMessage(int milliseconds, const QString& text) {
    messageTimer_.start(std::max(0, milliseconds));
    QFont font = message_->font();
    font.setBold(true);
    font.setPointSize(text.startsWith("GO") ? 14 : 10);
    message_->setFont(font);
    message_->setText(text);
    const bool long_ = milliseconds > 1000;
    ok_->setVisible(long_);
    bar_->setVisible(long_);
    hint_->setVisible(long_);
    bar_->setValue(0);
    if (long_) {
        progressTimer_.start(milliseconds / 10);
    } else {
        progressTimer_.stop();
    }
    if (owner_ != nullptr) move(owner_->frameGeometry().topLeft() + QPoint(3, 30));
    exec();
    messageTimer_.stop();
    progressTimer_.stop();
}

void TTM::OkClicked() {
    messageTimer_.stop();
    progressTimer_.stop();
    bar_->setValue(0);
    accept();
}

void TTM::ProgressTick() {
    if (messageTimer_.isActive() && bar_->value() < 10) bar_->setValue(bar_->value() + 1);
}

bool TTM::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    if (event->type() == QEvent::KeyRelease) {
        keyReleaseEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TTM::keyPressEvent(QKeyEvent* event) {
    // Swallowed: neither ESC nor Enter may close the window before the key is released.
    event->accept();
}

void TTM::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    if (event->isAutoRepeat()) return;
    messageTimer_.stop();
    progressTimer_.stop();
    accept();
}

void TTM::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (OnShown)
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && OnShown) OnShown(*this);
        });
}

} // namespace kelp
