#pragma once
// "kelp --screenshot DIR": a PNG picture of each page of the window.
#include <string>
#include <vector>

#include <QString>

namespace kelp {

class TF;

// The picture's file name for a page: its caption in lower case with blanks and dashes
// joined ("Files - View" gives "files-view.png").
std::string PageFileName(const QString& caption);

// Saves the pages named (by caption or file name, in any case; every page when none is
// named) into `folder`, which is made when missing. False with the reason in `error`.
bool SaveScreenshots(TF& window, const std::string& folder, const std::vector<std::string>& pages,
                     std::vector<std::string>& written, std::string& error);

} // namespace kelp
