#include "app/controls.h"

#include <algorithm>

#include <QMouseEvent>
#include <QSignalBlocker>

namespace kelp {

ClickLabel::ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
    setTextFormat(Qt::PlainText);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled())
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        setCursor(isEnabled() ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QLabel::changeEvent(event);
}

void ElidedLabel::SetFullText(const QString& text) {
    if (text == full_) return;
    full_ = text;
    Elide();
    updateGeometry();
}

QSize ElidedLabel::minimumSizeHint() const {
    // The layout may give it less than its whole text: it then leaves out the middle.
    return {fontMetrics().horizontalAdvance(QStringLiteral("M...M")), QLabel::minimumSizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void ElidedLabel::Elide() {
    const QString shown = fontMetrics().elidedText(full_, Qt::ElideMiddle, contentsRect().width());
    if (shown != text()) setText(shown);
    setToolTip(shown == full_ ? QString() : full_);
}

void EntryBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

void Compact(QLayout* layout) {
    layout->setContentsMargins(6, 2, 6, 3);
    layout->setSpacing(2);
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

void ShowText(QLineEdit* box, const std::string& text) {
    const QString t = Q(text);
    if (box->text() == t) return;
    const QSignalBlocker block(box);
    const int cursor = box->cursorPosition();
    box->setText(t);
    box->setCursorPosition(std::min<int>(cursor, static_cast<int>(t.size())));
}

void ShowLines(QPlainTextEdit* box, const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) list << Q(line);
    const QString text = list.join('\n');
    if (box->toPlainText() == text) return;
    const QSignalBlocker block(box);
    box->setPlainText(text);
}

void ShowChecked(QCheckBox* box, bool checked) {
    if (box->isChecked() == checked) return;
    const QSignalBlocker block(box);
    box->setChecked(checked);
}

} // namespace kelp
