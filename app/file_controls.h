#pragma once
// The file controls of the "Files - View" page: the open and close buttons, the three
// name labels (a click closes that file), the shared range labels, the options of opening
// and the saved endpoints, and the copy of the period in use into new files.
#include <array>

#include <QWidget>

#include "app/page.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace kelp {

class ClickLabel;

class FileControls : public QWidget {
    Q_OBJECT
public:
    FileControls(AppContext& app, QWidget* parent = nullptr);
    void Refresh();

    QPushButton* OpenButton() const { return open_; }
    QPushButton* OpenSetButton() const { return openSet_; }
    QPushButton* CloseAllButton() const { return closeAll_; }
    QPushButton* CopySelectionButton() const { return copySelection_; }
    ClickLabel* NameLabel(int slot) const { return names_[static_cast<std::size_t>(slot)]; }
    ClickLabel* SaveEndpointsLabel() const { return saveEndpoints_; }
    ClickLabel* DeleteEndpointsLabel() const { return deleteEndpoints_; }
    QCheckBox* UseEndpointsBox() const { return useEndpoints_; }

private:
    // Runs a file command, then lets the display follow.
    void RunFileCommand(const std::function<void()>& command);

    AppContext& app_;
    QPushButton* open_;
    QPushButton* openSet_;
    QPushButton* closeAll_;
    QPushButton* copySelection_;
    std::array<ClickLabel*, 4> names_{}; // by slot 1..3
    QLabel* range_;
    QLabel* from_;
    QLabel* to_;
    QCheckBox* refreshMaps_;
    QCheckBox* forceDefaults_;
    QCheckBox* useEndpoints_;
    ClickLabel* saveEndpoints_;
    ClickLabel* deleteEndpoints_;
};

} // namespace kelp
