#pragma once
// "Files - View": the display, with the file controls and the filters beside it.
#include "app/page.h"

namespace kelp {

class FileControls;
class FilterControls;
class DisplayCommandPanel;
class DisplayWidget;

class FilesViewPage : public Page {
    Q_OBJECT
public:
    explicit FilesViewPage(AppContext& app, QWidget* parent = nullptr);
    QString Caption() const override { return "Files - View"; }
    void Refresh(const std::string& what) override;
    void RunChangeHandlers() override;

    DisplayWidget* Display() const { return display_; }
    FileControls* Files() const { return files_; }
    FilterControls* Filters() const { return filters_; }

private:
    DisplayWidget* display_;
    FileControls* files_;
    FilterControls* filters_;
    DisplayCommandPanel* commands_ = nullptr;
};

} // namespace kelp
