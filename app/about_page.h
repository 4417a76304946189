#pragma once
// "About": the program's name and version, what it is for, and where comments go.
#include "app/page.h"

class QLabel;

namespace kelp {

class AboutPage : public Page {
    Q_OBJECT
public:
    explicit AboutPage(AppContext& app, QWidget* parent = nullptr);
    QString Caption() const override { return "About"; }
    QLabel* VersionLabel() const { return version_; }

private:
    QLabel* version_;
};

} // namespace kelp
