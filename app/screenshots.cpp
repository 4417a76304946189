#include "app/screenshots.h"

#include <QBuffer>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>

#include "app/main_window.h"
#include "core/file_io.h"

namespace kelp {
namespace {

bool Matches(const Page* page, const std::string& name) {
    const QString n = QString::fromStdString(name).trimmed();
    return page->Caption().compare(n, Qt::CaseInsensitive) == 0 ||
           QString::fromStdString(PageFileName(page->Caption())).compare(n, Qt::CaseInsensitive) == 0 ||
           QString::fromStdString(PageFileName(page->Caption())).compare(n + ".png", Qt::CaseInsensitive) ==
               0;
}

bool WritePng(const QPixmap& picture, const std::string& path, std::string& error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        error = path + ": the picture could not be encoded as PNG";
        return false;
    }
    AtomicFileWriter writer(path);
    if (!writer.Open() || !writer.Write(bytes.constData(), static_cast<std::size_t>(bytes.size())) ||
        !writer.Commit()) {
        error = path + ": " + SystemErrorText(writer.LastError());
        return false;
    }
    return true;
}

} // namespace

std::string PageFileName(const QString& caption) {
    QString name;
    for (const QChar c : caption.toLower()) {
        if (c.isLetterOrNumber())
            name += c;
        else if (c == '+')
            name += "plus";
        else if (!name.isEmpty() && !name.endsWith('-'))
            name += '-';
    }
    while (name.endsWith('-')) name.chop(1);
    return (name + ".png").toStdString();
}

bool SaveScreenshots(TF& window, const std::string& folder, const std::vector<std::string>& names,
                     std::vector<std::string>& written, std::string& error) {
    std::vector<Page*> chosen;
    for (const std::string& name : names) {
        Page* found = nullptr;
        for (Page* page : window.Pages())
            if (Matches(page, name)) found = page;
        if (found == nullptr) {
            QStringList captions;
            for (const Page* page : window.Pages()) captions << "\"" + page->Caption() + "\"";
            error = "no page " + name + " (the pages are " + captions.join(", ").toStdString() + ")";
            return false;
        }
        chosen.push_back(found);
    }
    if (names.empty()) chosen = window.Pages();
    if (!QDir().mkpath(QString::fromStdString(folder))) {
        error = folder + ": the folder could not be made";
        return false;
    }
    for (Page* page : chosen) {
        window.Tabs()->setCurrentWidget(page);
        window.SettleForPicture();
        const std::string path = QDir(QString::fromStdString(folder))
                                     .filePath(QString::fromStdString(PageFileName(page->Caption())))
                                     .toStdString();
        if (!WritePng(window.grab(), path, error)) return false;
        written.push_back(path);
    }
    return true;
}

} // namespace kelp
