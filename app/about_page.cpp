#include "app/about_page.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/program_texts.h"

namespace kelp {

AboutPage::AboutPage(AppContext& app, QWidget* parent)
    : Page(app, parent), version_(new QLabel(VersionLabelText, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(12);
    auto* title = new QLabel(ApplicationTitle, this);
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    title->setFont(big);
    layout->addWidget(title);
    version_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(version_);

    auto* text = new QLabel(this);
    text->setWordWrap(true);
    text->setMaximumWidth(900);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setText(
        "KELP is a self-contained underwater acoustic logger. It listens for the tonal ultrasonic clicks "
        "of porpoises, dolphins and boat sonars between 20 kHz and 160 kHz and records, for each click, its "
        "time to 5 microseconds, its duration in cycles, its frequency, sound pressure level, bandwidth and "
        "envelope; once a minute it also records the water temperature and its tilt angle.\n\n"
        "This program reads the logger's SD card into raw data files (KL1), finds click trains and grades "
        "them by quality and species group (KL2 and KL3 files), shows up to three files on one time axis "
        "from 10 microseconds per pixel to one week per bin, analyses and exports detections, and prepares "
        "the logger's settings.\n\n"
        "Pages: \"Read SD\" turns a logger's card into KL1 files; \"Files - View\" opens files and "
        "shows them under the click and train filters; \"Trains\" finds the click trains of KL1 files; "
        "\"Settings\" prepares a logger's settings; \"Metadata\" shows each open file's deployment "
        "details and its \"Session\" and \"Settings\" summaries, with the file utilities; \"Export\" "
        "writes detections as text; \"Results\" collects the lines that operations put out, ready to "
        "paste into a spreadsheet; \"Analysis\" shows a file's histograms and correlations.");
    layout->addWidget(text);
    auto* feedback = new QLabel(
        QString("Please send your comments, problems and wishes for this program to %1").arg(FeedbackAddress),
        this);
    feedback->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(feedback);
    auto* built = new QLabel(QString("Built with Qt %1").arg(QT_VERSION_STR), this);
    built->setStyleSheet("color: #606060;");
    layout->addWidget(built);
    layout->addStretch();
}

} // namespace kelp
