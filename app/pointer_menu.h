#pragma once
// The display's pointer menu (right-click in the plot): each item runs its command on the
// band and the time under the right-click.
#include <string>

#include <QMenu>

#include "app/page.h"

namespace kelp {

class DisplayCommandPanel;

class PointerMenu : public QMenu {
    Q_OBJECT
public:
    PointerMenu(DisplayCommandPanel& panel, AppContext& app, QWidget* parent = nullptr);
    // Opens at a point on the screen ("(identify train)" only in development mode).
    void Open(const QPoint& global);
    // The item with this caption (nullptr when there is none).
    QAction* Item(const std::string& caption) const;

private:
    QAction* Add(const char* caption, const std::function<void()>& command);
    void EditSpecies(int edit);
    void IdentifyTrain();

    DisplayCommandPanel& panel_;
    AppContext& app_;
    QAction* identify_ = nullptr;
};

} // namespace kelp
